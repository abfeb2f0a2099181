#include "engine/deactivation_log.h"

#include <string>

#include "store/date_text.h"
#include "store/text.h"

namespace tidewell::engine {

namespace {}  // namespace

void DeactivationLog::write(std::string_view address, std::string_view filter,
                            const SwitchOffReason& why) {
  const store::Clock& clock = m_trap.clock();
  std::string line = store::shortDateText(clock.today()) + "\t" + clock.timeText();
  for (std::string_view part : {address, filter, why.reason, why.status, why.reportId}) {
    line += "\t" + store::tabField(part);
  }
  m_log.append(line);
}

}  // namespace tidewell::engine
