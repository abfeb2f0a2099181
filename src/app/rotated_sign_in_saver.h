#pragma once
// Brings a refresh token the provider replaced during a transfer (on the transfer's thread)
// over to the UI thread and has it saved there at once, also in the middle of a cycle: the
// provider has withdrawn the old token, so a window closed or killed before the cycle ends must
// not be left with it. The profile and its server settings are only ever touched by the UI
// thread; the transfer works on its own copies of the settings. At most one per program (it is
// the mail layer's one listener).

#include <QObject>
#include <functional>

namespace tidewell::app {

class RotatedSignInSaver : public QObject {
 public:
  // save writes the replaced tokens.
  explicit RotatedSignInSaver(std::function<void()> save, QObject* parent = nullptr);
  ~RotatedSignInSaver() override;

 private:
  std::function<void()> m_save;
};

}  // namespace tidewell::app
