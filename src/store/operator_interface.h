#pragma once
// What the core needs from the person at the screen: status texts, progress, messages and
// questions. The desktop program implements it with widgets, tidewell-cli with the terminal.

#include <cstdint>
#include <string>

namespace tidewell::store {

class OperatorInterface {
 public:
  virtual ~OperatorInterface() = default;
  // Status bar panel 2.
  virtual void showStatus(const std::string& text) = 0;
  virtual void showMessage(const std::string& text, const std::string& caption) = 0;
  virtual bool askYesNo(const std::string& question, const std::string& caption) = 0;
  // value from 0 to maximum; hideProgress ends a long operation.
  virtual void showProgress(std::int64_t value, std::int64_t maximum) = 0;
  virtual void hideProgress() = 0;
};

// Says nothing and answers No; for callers that run unattended.
class SilentOperator : public OperatorInterface {
 public:
  void showStatus(const std::string&) override {}
  void showMessage(const std::string&, const std::string&) override {}
  bool askYesNo(const std::string&, const std::string&) override { return false; }
  void showProgress(std::int64_t, std::int64_t) override {}
  void hideProgress() override {}
};

}  // namespace tidewell::store
