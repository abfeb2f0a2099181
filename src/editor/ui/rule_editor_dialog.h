#pragma once
// frmEditRule: the modal dialog in which the operator builds a filter's rule list. Shows the
// state of a RuleEditor and forwards the operator's actions to it.
#include <QDialog>

#include "editor/rule_editor.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tidewell::editor::ui {

class RuleEditorDialog : public QDialog {
 public:
  RuleEditorDialog(store::ProfileStore& profile, int blockIndex, QWidget* parent);

 private:
  void showState();
  void confirm();
  void deleteRule();
  void showMenu(const QPoint& at);

  RuleEditor m_editor;
  QComboBox* m_spec;
  QComboBox* m_logic;
  QLineEdit* m_keyword;
  QComboBox* m_connector;
  QListWidget* m_list;
  QPushButton* m_confirm;
  QPushButton* m_delete;
};

}  // namespace tidewell::editor::ui
