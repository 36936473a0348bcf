#include "bench_util.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace tr58k::bench {

double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void TimingClock::Sleep(uint32_t ms) {
  const double start = bench::NowMs();
  inner_.Sleep(ms);
  const double slept = bench::NowMs() - start;
  std::lock_guard lock(mutex_);
  requested_ += ms;
  slept_ += slept;
}

uint64_t TimingClock::RequestedMs() const {
  std::lock_guard lock(mutex_);
  return requested_;
}

double TimingClock::SleptMs() const {
  std::lock_guard lock(mutex_);
  return slept_;
}

void TimingClock::Reset() {
  std::lock_guard lock(mutex_);
  requested_ = 0;
  slept_ = 0;
}

Stats Summarise(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {values.front(), median, values.back()};
}

std::string Ms(double ms, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, ms);
  return text;
}

std::string Ratio(double value, double floor) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f×", value / floor);
  return text;
}

std::string UsePrivateConfigHome(const std::string& tag) {
  std::string pattern = (std::filesystem::temp_directory_path() / ("tr58k-bench-" + tag + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) Fail("cannot make a temporary folder");
  setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
  return pattern;
}

std::string CommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += ' ';
    line += argv[i];
  }
  return line;
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "benchmark run went wrong: %s\n", what.c_str());
  std::exit(1);
}

int ParseCount(int argc, char** argv, const char* name, int fallback, int minimum) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], name) == 0) return std::max(minimum, std::atoi(argv[i + 1]));
  }
  return fallback;
}

}  // namespace tr58k::bench
