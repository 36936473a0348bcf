// Shared by the benchmark programs: the real clock with a record of its
// waits, a few statistics, a private per-user folder, and the Markdown the
// programs print for docs/performance.md.
//
// Benchmarks measure; they do not pass or fail on speed. A program exits
// non-zero only when its run went wrong (the simulated mouse did not answer
// as a working mouse does), since its figures would then mean nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "device/clock.h"

namespace tr58k::bench {

// Milliseconds on the monotonic clock, with sub-millisecond precision.
double NowMs();

// The real clock, counting what the protocol asked to wait and how long the
// sleeps really took (the difference is the scheduler's lateness).
class TimingClock final : public Clock {
 public:
  void Sleep(uint32_t ms) override;
  uint64_t NowMs() const override { return inner_.NowMs(); }

  uint64_t RequestedMs() const;
  double SleptMs() const;
  void Reset();

 private:
  SystemClock inner_;
  mutable std::mutex mutex_;
  uint64_t requested_ = 0;
  double slept_ = 0;
};

struct Stats {
  double min = 0, median = 0, max = 0;
};
Stats Summarise(std::vector<double> values);

// "1.234" style: milliseconds with `decimals` places.
std::string Ms(double ms, int decimals = 1);
// "1.02×": a figure over its floor.
std::string Ratio(double value, double floor);

// Makes a fresh private folder and points XDG_CONFIG_HOME at it, so that the
// profile the program saves never touches the user's own. Returns its path.
std::string UsePrivateConfigHome(const std::string& tag);

// The command line that produced a section, as it was typed.
std::string CommandLine(int argc, char** argv);

// Prints a failure to stderr and exits with status 1.
[[noreturn]] void Fail(const std::string& what);

// The number after `name` on the command line (at least `minimum`), or
// `fallback` when the option is absent.
int ParseCount(int argc, char** argv, const char* name, int fallback, int minimum = 1);

}  // namespace tr58k::bench
