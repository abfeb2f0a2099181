#include "engine/pass_progress.h"

#include <algorithm>
#include <cmath>

namespace tidewell::engine {

namespace {

constexpr auto kTextInterval = std::chrono::seconds(1);

}  // namespace

std::string PassProgress::text(std::int64_t sent, std::int64_t due, double seconds) {
  std::string line = "Sent " + std::to_string(sent) + " of " + std::to_string(due);
  if (seconds >= 1.0) {
    line += " (" + std::to_string(std::llround(static_cast<double>(sent) / seconds)) + " a second)";
  }
  return line;
}

void PassProgress::begin(std::int64_t due) {
  m_due = due;
  m_sent = 0;
  m_start = Clock::now();
  m_textEverShown = false;
  m_ui.showProgress(0, std::max<std::int64_t>(due, 1));
}

bool PassProgress::textOnShow() const {
  return m_textEverShown && Clock::now() - m_textShown < kTextInterval;
}

void PassProgress::showText() {
  m_textShown = Clock::now();
  m_textEverShown = true;
  std::chrono::duration<double> elapsed = m_textShown - m_start;
  m_ui.showStatus(text(m_sent, m_due, elapsed.count()));
}

void PassProgress::sending() {
  if (!textOnShow()) m_ui.showStatus("Sending...");
}

void PassProgress::sent() {
  ++m_sent;
  m_ui.showProgress(std::min(m_sent, m_due), std::max<std::int64_t>(m_due, 1));
  if (!textOnShow()) showText();
}

void PassProgress::end() {
  if (m_sent == 0) return;
  showText();
  m_ui.showStatus("Ready");
}

}  // namespace tidewell::engine
