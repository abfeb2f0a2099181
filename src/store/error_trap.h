#pragma once
// The error trap every core procedure runs in: a failure stops the procedure, its name and the
// description go to status panel 2, one line goes to errlog.txt in the program folder, and the
// procedure returns its default result. Owned by whoever owns the program folder; one thread.

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "store/clock.h"
#include "store/error.h"
#include "store/operator_interface.h"

namespace tidewell::store {

// A procedure's name as the status bar shows it, and the separator of its error-log prefix:
// ":" for the store and utility procedures, " " for the main window's.
struct Procedure {
  std::string_view name;
  std::string_view separator = ":";
  // The check cycle, the sending passes and incoming processing show the error's number and
  // description in the status bar instead of the procedure's name.
  bool statusShowsNumber = false;
};

inline constexpr Procedure windowProcedure(std::string_view name) {
  return {name, " "};
}

inline constexpr Procedure numberedProcedure(std::string_view name) {
  return {name, " ", true};
}

class ErrorTrap {
 public:
  ErrorTrap(std::filesystem::path programFolder, OperatorInterface& ui, const Clock& clock);

  // Shows and logs one error. Never throws. When the log cannot be written the status says so
  // too; that failure is not reported again, so the trap never starts another pass through
  // itself.
  void report(Procedure procedure, const Error& error) noexcept;
  // Logs one line that is neither shown nor counted as a failure: something the operator should
  // know of that stopped nothing. Shown in the status only when the log cannot be written.
  void note(Procedure procedure, const Error& error) noexcept;

  // Runs body; if it raises, reports the error and returns fallback.
  template <class T, class Body>
  T run(Procedure procedure, T fallback, Body&& body) noexcept {
    try {
      return std::forward<Body>(body)();
    } catch (...) {
      report(procedure, currentError());
      return fallback;
    }
  }

  // Runs a body without a result; true when it ended normally.
  template <class Body>
  bool run(Procedure procedure, Body&& body) noexcept {
    try {
      std::forward<Body>(body)();
      return true;
    } catch (...) {
      report(procedure, currentError());
      return false;
    }
  }

  std::filesystem::path logPath() const { return m_programFolder / "errlog.txt"; }
  const Clock& clock() const { return m_clock; }
  OperatorInterface& ui() const { return m_ui; }
  // The last error reported, for front ends that print it.
  const Error& lastError() const { return m_lastError; }
  // How many errors were reported, so that a caller can tell whether an operation failed.
  int reportCount() const { return m_reportCount; }

 private:
  // Appends the line; the reason when it could not be written, else empty.
  std::string writeLogLine(Procedure procedure, const Error& error) noexcept;

  std::filesystem::path m_programFolder;
  OperatorInterface& m_ui;
  const Clock& m_clock;
  Error m_lastError;
  int m_reportCount = 0;
};

// One error-log line: prefix, date, blank, time, blank, number, blank, description.
std::string errorLogLine(Procedure procedure, const std::string& dateText,
                         const std::string& timeText, const Error& error);

}  // namespace tidewell::store
