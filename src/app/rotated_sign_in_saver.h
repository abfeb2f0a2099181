#pragma once
// Brings a refresh token the provider replaced during a transfer (on the transfer's thread)
// over to the UI thread and has it saved there once no cycle runs, so the profile and its
// server settings are only ever touched by the UI thread and never while a transfer reads them.
// At most one per program (it is the mail layer's one listener).

#include <QObject>
#include <functional>

namespace tidewell::app {

class RotatedSignInSaver : public QObject {
 public:
  // save writes the replaced tokens; busy tells whether a cycle runs now.
  RotatedSignInSaver(std::function<void()> save, std::function<bool()> busy,
                     QObject* parent = nullptr);
  ~RotatedSignInSaver() override;
  // A cycle ended: a save that waited for it happens now.
  void cycleEnded();

 private:
  void tokenReplaced();

  std::function<void()> m_save;
  std::function<bool()> m_busy;
  bool m_waiting = false;
};

}  // namespace tidewell::app
