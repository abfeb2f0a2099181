#pragma once
// Appends lines to one of the profile's logs ("activity.log", "unsent.log") during a sending
// pass. The file stays open for the pass and every line is handed to the system at once, so a
// crash loses no line. A line the disk cannot take is left out whole and reported (once until
// a line is written again), and the pass goes on.
#include <filesystem>
#include <string>
#include <string_view>

#include "store/error_trap.h"

namespace tidewell::engine {

class LogAppender {
 public:
  LogAppender(std::filesystem::path path, store::ErrorTrap& trap)
      : m_path(std::move(path)), m_trap(trap) {}
  ~LogAppender();
  LogAppender(const LogAppender&) = delete;
  LogAppender& operator=(const LogAppender&) = delete;

  void append(std::string_view line);

 private:
  std::filesystem::path m_path;
  store::ErrorTrap& m_trap;
  int m_fd = -1;
  bool m_failing = false;
};

// "message sent:" or "message fail:", address, title, date and time, separated by TAB.
std::string mailLogLine(std::string_view what, std::string_view address, std::string_view title,
                        const store::Clock& clock);

}  // namespace tidewell::engine
