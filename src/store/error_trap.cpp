#include "store/error_trap.h"

#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::store {

ErrorTrap::ErrorTrap(std::filesystem::path programFolder, OperatorInterface& ui, const Clock& clock)
    : m_programFolder(std::move(programFolder)), m_ui(ui), m_clock(clock) {}

std::string errorLogLine(Procedure procedure, const std::string& dateText,
                         const std::string& timeText, const Error& error) {
  // A description can come from the system or from data; it must stay on one log line.
  std::string description = replaceAll(replaceAll(error.description, "\r", " "), "\n", " ");
  return std::string(procedure.name) + std::string(procedure.separator) + dateText + " " +
         timeText + " " + std::to_string(error.number) + " " + description;
}

std::string ErrorTrap::writeLogLine(Procedure procedure, const Error& error) noexcept {
  try {
    appendLine(logPath(),
               errorLogLine(procedure, shortDateText(m_clock.today()), m_clock.timeText(), error));
    return {};
  } catch (...) {
    return "; the error log cannot be written (" + currentError().description + ")";
  }
}

void ErrorTrap::report(Procedure procedure, const Error& error) noexcept {
  ++m_reportCount;
  try {
    m_lastError = error;
    std::string unlogged = writeLogLine(procedure, error);
    m_ui.showStatus((procedure.statusShowsNumber
                         ? std::to_string(error.number) + " " + error.description
                         : std::string(procedure.name) + ": " + error.description) +
                    unlogged);
  } catch (...) {
    // Nowhere left to report to.
  }
}

void ErrorTrap::note(Procedure procedure, const Error& error) noexcept {
  try {
    std::string unlogged = writeLogLine(procedure, error);
    if (!unlogged.empty()) m_ui.showStatus(error.description + unlogged);
  } catch (...) {
    // Nowhere left to report to.
  }
}

}  // namespace tidewell::store
