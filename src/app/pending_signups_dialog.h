#pragma once
// The sign-ups waiting for confirmation, apart from the subscribers: who, for which list,
// since when, whether the confirmation and the reminder went out and when the sign-up will be
// dropped, with Confirm (by hand, for a person who confirmed another way), Resend and Drop.
// Changes are written when the dialog acts; user-interface thread, never during a cycle.
#include <QDialog>
#include <memory>

#include "engine/confirmation_desk.h"

class QPushButton;
class QTableWidget;

namespace tidewell::app {

class PendingSignupsDialog : public QDialog {
 public:
  PendingSignupsDialog(engine::EngineContext& context, QWidget* parent = nullptr);
  ~PendingSignupsDialog() override;

  // While a check cycle runs, the actions wait (the cycle changes the same files).
  void setBusy(bool busy);
  // Whether a sign-up was confirmed (the subscribers changed and need saving).
  bool subscribersChanged() const { return m_confirmed; }

 private:
  enum class Action { kConfirm, kResend, kDrop };
  void fill();
  void act(Action action);

  engine::EngineContext& m_context;
  engine::SubscriberIndex m_index;
  engine::ConfirmationDesk m_desk;
  QTableWidget* m_list;
  QList<QPushButton*> m_actions;
  bool m_confirmed = false;
};

}  // namespace tidewell::app
