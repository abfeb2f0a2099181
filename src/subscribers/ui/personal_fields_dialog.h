#pragma once
// `frmPMFs`: one subscriber's 41 personal message fields, name and value; web addresses and
// e-mail addresses are links that open the browser or the mail program. Modal, read-only; made
// by the user panel for one record; UI thread.

#include <QDialog>
#include <QTableWidget>

#include "subscribers/personal_fields_view.h"

namespace tidewell::subscribers::ui {

class PersonalFieldsDialog : public QDialog {
  Q_OBJECT

 public:
  PersonalFieldsDialog(const PersonalFieldsView& view, QWidget* parent);

  // What a click on the value cell of this row opens; empty for plain text.
  QUrl linkOf(int row) const;

 private:
  void openLink(int row, int column);

  PersonalFieldsView m_view;
  QTableWidget* m_grid;
};

}  // namespace tidewell::subscribers::ui
