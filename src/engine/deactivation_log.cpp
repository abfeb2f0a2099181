#include "engine/deactivation_log.h"

#include <string>

#include "store/date_text.h"

namespace tidewell::engine {

namespace {

// A field from data: never empty, never a TAB or line end that would break the line.
std::string field(std::string_view text) {
  std::string out = text.empty() ? "-" : std::string(text);
  for (char& c : out) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

}  // namespace

void DeactivationLog::write(std::string_view address, std::string_view filter,
                            const SwitchOffReason& why) {
  const store::Clock& clock = m_trap.clock();
  std::string line = store::shortDateText(clock.today()) + "\t" + clock.timeText();
  for (std::string_view part : {address, filter, why.reason, why.status, why.reportId}) {
    line += "\t" + field(part);
  }
  m_log.append(line);
}

}  // namespace tidewell::engine
