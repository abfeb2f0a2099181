#include "engine/log_appender.h"

#include <cerrno>

#include "store/date_text.h"
#include "store/error.h"

namespace tidewell::engine {

LogAppender::~LogAppender() {
  if (m_file) std::fclose(m_file);
}

void LogAppender::append(std::string_view line) {
  m_trap.run(store::Procedure{"UpdateFile_new"}, [&] {
    if (!m_file) m_file = std::fopen(m_path.c_str(), "ab");
    if (!m_file) store::raiseSystemError(errno, m_path.string());
    std::string text(line);
    text += "\r\n";
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size() ||
        std::fflush(m_file) != 0) {
      int saved = errno;
      std::fclose(m_file);
      m_file = nullptr;
      store::raiseSystemError(saved, m_path.string());
    }
  });
}

std::string mailLogLine(std::string_view what, std::string_view address, std::string_view title,
                        const store::Clock& clock) {
  std::string line(what);
  line.append("\t").append(address).append("\t").append(title).append("\t");
  line.append(store::shortDateText(clock.today())).append("\t").append(clock.timeText());
  return line;
}

}  // namespace tidewell::engine
