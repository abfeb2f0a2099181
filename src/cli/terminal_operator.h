#pragma once
// The operator of tidewell-cli is the terminal: status texts and messages go to standard error,
// questions are answered from the command line (--yes), never by waiting for input.

#include "store/operator_interface.h"

namespace tidewell::cli {

class TerminalOperator : public store::OperatorInterface {
 public:
  explicit TerminalOperator(bool answerYes = false) : m_answerYes(answerYes) {}
  void showStatus(const std::string& text) override;
  void showMessage(const std::string& text, const std::string& caption) override;
  bool askYesNo(const std::string& question, const std::string& caption) override;
  void showProgress(std::int64_t value, std::int64_t maximum) override;
  void hideProgress() override;
  void setAnswerYes(bool yes) { m_answerYes = yes; }

 private:
  bool m_answerYes;
  int m_lastPercent = -1;
};

}  // namespace tidewell::cli
