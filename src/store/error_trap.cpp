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

void ErrorTrap::report(Procedure procedure, const Error& error) noexcept {
  ++m_reportCount;
  try {
    m_lastError = error;
    m_ui.showStatus(procedure.statusShowsNumber
                        ? std::to_string(error.number) + " " + error.description
                        : std::string(procedure.name) + ": " + error.description);
    std::string line =
        errorLogLine(procedure, shortDateText(m_clock.today()), m_clock.timeText(), error);
    appendLineQuietly(logPath(), line);
  } catch (...) {
    // Nowhere left to report to.
  }
}

}  // namespace tidewell::store
