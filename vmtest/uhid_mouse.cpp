// tr58k-uhid-mouse: a virtual ZEMO TR-58K on the kernel's HID stack. It
// creates one uhid device per interface of the mouse's current mode, answers
// the feature reports that programs send through hidraw, re-enumerates as
// the firmware model asks, and logs every request it receives.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "vmtest/firmware_models.h"
#include "vmtest/hidraw_holders.h"
#include "vmtest/report_descriptors.h"
#include "vmtest/uhid_device.h"
#include "vmtest/uhid_mouse_options.h"
#include "vmtest/virtual_mouse.h"

namespace tr58k {
namespace {

class LineLog {
 public:
  explicit LineLog(const std::string& path)
      : fd_(path.empty() ? STDOUT_FILENO
                         : ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {}
  bool ok() const { return fd_ >= 0; }
  // One write per line, so a scenario reading the file never sees half a line.
  void Write(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(fd_, text.data(), text.size()) < 0) {
      // Nothing to be done about a lost log line; the scenario will notice.
    }
  }

 private:
  int fd_;
};

std::string PhysOf(size_t interfaceIndex) {
  return "tr58k-uhid-mouse/input" + std::to_string(interfaceIndex);
}

class Bus {
 public:
  Bus(VirtualMouse& mouse, LineLog& log, bool waitForRelease)
      : mouse_(mouse), log_(log), waitForRelease_(waitForRelease) {}

  // Makes the devices match the mouse: destroys all and creates what the
  // mouse shows now. Returns false when a device could not be created.
  bool Sync() {
    if (shown_ == mouse_.Generation()) return true;
    // The device holding an unanswered request goes first, which fails that
    // request at once, as a real unplug fails the transfer on the bus. While
    // a request is pending the caller holds hidraw's lock shared by all nodes,
    // and removing any other device first would wait for its 5 s timeout.
    if (pending_ < devices_.size()) Remove(pending_);
    pending_ = kNone;
    RemoveAll();
    shown_ = mouse_.Generation();
    const std::vector<VirtualInterface> interfaces = mouse_.Interfaces();
    for (size_t i = 0; i < interfaces.size(); ++i) {
      UhidDeviceSpec item;
      item.name = "ZEMO TR-58K";
      item.phys = PhysOf(i);
      item.vendorId = kVendorId;
      item.productId = interfaces[i].productId;
      item.versionNumber = interfaces[i].versionNumber;
      item.reportDescriptor =
          ReportDescriptorFor(interfaces[i].collection, interfaces[i].shortReportDataBytes);
      int err = 0;
      auto device = UhidDevice::Create(item, &err);
      if (!device) {
        log_.Write(std::string("error uhid ") + std::strerror(err));
        return false;
      }
      devices_.push_back(std::move(device));
    }
    return true;
  }

  // Every destruction is a removal on the bus.
  void RemoveAll() {
    for (size_t i = 0; i < devices_.size(); ++i) Remove(i);
    devices_.clear();
  }

  size_t Count() const { return devices_.size(); }
  UhidDevice& Device(size_t i) { return *devices_[i]; }

  // Handles one event of device i. Returns false when the bus changed (the
  // device list is then stale).
  bool Handle(size_t i) {
    UhidEvent event;
    if (!devices_[i]->ReadEvent(&event)) return true;
    const uint64_t before = mouse_.Generation();
    if (event.kind == UhidEventKind::kSetReport) {
      SetOutcome outcome{true, false};
      if (event.feature) outcome = mouse_.OnSetReport(i, event.data);
      if (outcome.answer) {
        devices_[i]->AnswerSet(event.id, outcome.ok);
      } else {
        pending_ = i;
      }
    } else if (event.kind == UhidEventKind::kGetReport) {
      GetOutcome outcome;
      outcome.ok = false;
      if (event.feature) outcome = mouse_.OnGetReport(i, event.reportId);
      if (outcome.answer) {
        devices_[i]->AnswerGet(event.id, outcome.ok, outcome.data);
      } else {
        pending_ = i;
      }
    }
    return mouse_.Generation() == before;
  }

 private:
  VirtualMouse& mouse_;
  LineLog& log_;
  const bool waitForRelease_;
  void Remove(size_t i) {
    if (!devices_[i]) return;
    std::optional<dev_t> node;
    if (waitForRelease_) node = HidrawNodeWithPhys("/sys", PhysOf(i));
    devices_[i].reset();
    if (node && !WaitUntilReleased("/proc", *node, kReleaseWaitMs)) {
      log_.Write("note: " + PhysOf(i) + " still held open " +
                 std::to_string(kReleaseWaitMs) + " ms after its removal");
    }
  }

  static constexpr uint32_t kReleaseWaitMs = 10000;
  static constexpr size_t kNone = static_cast<size_t>(-1);
  uint64_t shown_ = 0;
  size_t pending_ = kNone;  // the device with an unanswered request
  std::vector<std::unique_ptr<UhidDevice>> devices_;
};

int SignalFd() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGUSR1);
  sigaddset(&set, SIGUSR2);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigprocmask(SIG_BLOCK, &set, nullptr);
  return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

void WritePidFile(const std::string& path) {
  if (path.empty()) return;
  const std::string temp = path + ".tmp";
  if (FILE* f = std::fopen(temp.c_str(), "w")) {
    std::fprintf(f, "%d\n", static_cast<int>(getpid()));
    std::fclose(f);
    std::rename(temp.c_str(), path.c_str());
  }
}

int Run(const UhidMouseCommandLine& line) {
  LineLog log(line.logPath);
  if (!log.ok()) {
    std::cerr << "tr58k-uhid-mouse: cannot open " << line.logPath << "\n";
    return 1;
  }
  const int signals = SignalFd();
  if (signals < 0) {
    std::cerr << "tr58k-uhid-mouse: signalfd: " << std::strerror(errno) << "\n";
    return 1;
  }
  SystemClock clock;
  VirtualMouse mouse(clock, line.mouse, MakeNormalFirmware(), MakeBootloaderFirmware(),
                     [&log](const std::string& text) { log.Write(text); });
  Bus bus(mouse, log, line.waitForRelease);
  if (!bus.Sync()) return 1;
  WritePidFile(line.pidPath);

  for (;;) {
    const std::optional<uint64_t> due = mouse.Tick();
    if (!bus.Sync()) return 1;
    int timeout = -1;
    if (due) {
      const uint64_t now = clock.NowMs();
      timeout = *due > now ? static_cast<int>(*due - now) : 0;
    }
    std::vector<pollfd> fds{{signals, POLLIN, 0}};
    for (size_t i = 0; i < bus.Count(); ++i) fds.push_back({bus.Device(i).Fd(), POLLIN, 0});
    if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) return 1;

    if (fds[0].revents & POLLIN) {
      signalfd_siginfo info;
      while (::read(signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (info.ssi_signo == SIGUSR1) mouse.Unplug();
        if (info.ssi_signo == SIGUSR2) mouse.Plug();
        if (info.ssi_signo == SIGTERM || info.ssi_signo == SIGINT) {
          bus.RemoveAll();
          log.Write("exit");
          return 0;
        }
      }
      continue;
    }
    for (size_t i = 1; i < fds.size(); ++i) {
      if ((fds[i].revents & POLLIN) && !bus.Handle(i - 1)) break;
    }
  }
}

}  // namespace
}  // namespace tr58k

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::cout << tr58k::kUhidMouseUsage;
      return 0;
    }
  }
  std::string error;
  const auto line = tr58k::ParseUhidMouseArgs(args, &error);
  if (!line) {
    std::cerr << "tr58k-uhid-mouse: " << error << "\n" << tr58k::kUhidMouseUsage;
    return 2;
  }
  return tr58k::Run(*line);
}
