#include "engine/log_appender.h"

#include <unistd.h>

#include "store/date_text.h"
#include "store/error.h"
#include "store/text_file.h"

namespace tidewell::engine {

LogAppender::~LogAppender() {
  if (m_fd >= 0) ::close(m_fd);
}

void LogAppender::append(std::string_view line) {
  std::string text(line);
  text += "\r\n";
  try {
    if (m_fd < 0) m_fd = store::openForAppending(m_path);
    store::appendWhole(m_fd, text, m_path);
    m_failing = false;
  } catch (...) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    // A full disk fails every line of the pass; one report says it.
    if (!m_failing) m_trap.report(store::Procedure{"UpdateFile_new"}, store::currentError());
    m_failing = true;
  }
}

std::string mailLogLine(std::string_view what, std::string_view address, std::string_view title,
                        const store::Clock& clock) {
  std::string line(what);
  line.append("\t").append(address).append("\t").append(title).append("\t");
  line.append(store::shortDateText(clock.today())).append("\t").append(clock.timeText());
  return line;
}

}  // namespace tidewell::engine
