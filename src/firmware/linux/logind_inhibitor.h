// The sleep inhibitor on Linux: logind's Inhibit() on the system bus (what
// "shutdown:sleep:idle", mode "block"), through libsystemd's sd-bus. The
// lock is the file descriptor logind hands back; closing it releases it.
#pragma once

#include <memory>
#include <string>

#include "firmware/sleep_inhibitor.h"

namespace tr58k {

class LogindSleepInhibitor final : public SleepInhibitor {
 public:
  // `who` names this program in the desktop's list of inhibitors.
  explicit LogindSleepInhibitor(std::string who = "ZEMO TR-58K") : who_(std::move(who)) {}
  ~LogindSleepInhibitor() override { Release(); }
  LogindSleepInhibitor(const LogindSleepInhibitor&) = delete;
  LogindSleepInhibitor& operator=(const LogindSleepInhibitor&) = delete;

  // False when no system bus or no logind can be reached, or logind refuses.
  bool Acquire(const std::string& why) override;
  void Release() override;
  bool Held() const { return fd_ >= 0; }

 private:
  std::string who_;
  int fd_ = -1;
};

}  // namespace tr58k
