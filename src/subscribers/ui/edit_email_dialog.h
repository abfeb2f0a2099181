#pragma once
// `frmEditEmail`: one subscriber's address, name and sign-up date (stored as each field is
// left), the active box, and the sent newsletters with their delete action. Modal, made by the
// user panel for one record; UI thread.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>

#include "editor/ui/focus_edits.h"
#include "store/error_trap.h"
#include "store/subscriber_table.h"

namespace tidewell::subscribers::ui {

class EditEmailDialog : public QDialog {
  Q_OBJECT

 public:
  EditEmailDialog(store::ErrorTrap& trap, store::SubscriberTable& table, store::Position p,
                  QWidget* parent);
  ~EditEmailDialog() override { m_focus->stop(); }

  void done(int result) override;

 private:
  void leaveField();
  void showRecord();
  void fillSentList();
  // `tvDelete`: the selected entry leaves the sent list.
  void tvDelete();

  store::ErrorTrap& m_trap;
  store::SubscriberTable& m_table;
  store::Position m_position;
  QLineEdit* m_fields[3];
  QCheckBox* m_active;
  QListWidget* m_sent;
  editor::ui::FocusEdits* m_focus;
};

}  // namespace tidewell::subscribers::ui
