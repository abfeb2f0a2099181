#pragma once
// "deactivated.log" in the profile folder: one line for every subscriber record switched off
// (failure report, opt-out, invalid address, auto-unsubscribe) so the operator can see why and
// undo it. Fields, TAB-separated: date, time, address, filter, reason, status code, the report's
// Message-ID ("-" when there is none). Appended like the other logs; one thread.
#include <filesystem>
#include <string_view>

#include "engine/log_appender.h"
#include "store/error_trap.h"

namespace tidewell::engine {

struct SwitchOffReason {
  std::string_view reason;  // "bounce: permanent", "opt-out", ...
  std::string_view status;  // "5.1.1" or empty
  std::string_view reportId;
};

class DeactivationLog {
 public:
  DeactivationLog(const std::filesystem::path& profileFolder, store::ErrorTrap& trap)
      : m_trap(trap), m_log(profileFolder / "deactivated.log", trap) {}

  void write(std::string_view address, std::string_view filter, const SwitchOffReason& why);

 private:
  store::ErrorTrap& m_trap;
  LogAppender m_log;
};

}  // namespace tidewell::engine
