#include "cli/terminal_operator.h"

#include <iostream>

namespace tidewell::cli {

void TerminalOperator::showStatus(const std::string& text) {
  std::cerr << text << '\n';
}

void TerminalOperator::showMessage(const std::string& text, const std::string& caption) {
  std::cerr << caption << ": " << text << '\n';
}

bool TerminalOperator::askYesNo(const std::string& question, const std::string& caption) {
  std::cerr << caption << ": " << question << (m_answerYes ? " yes\n" : " no\n");
  return m_answerYes;
}

void TerminalOperator::showProgress(std::int64_t value, std::int64_t maximum) {
  if (maximum <= 0) return;
  int percent = static_cast<int>(100 * value / maximum);
  if (percent / 10 == m_lastPercent / 10) return;  // a line per tenth is enough in a log
  m_lastPercent = percent;
  std::cerr << percent << "%\n";
}

void TerminalOperator::hideProgress() {
  m_lastPercent = -1;
}

}  // namespace tidewell::cli
