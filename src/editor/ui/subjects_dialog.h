#pragma once
// frmSubjects: lets the operator pick one of several subject keywords for the opt-in form.
// Modal; answers the keyword, or "!" when cancelled.
#include <QDialog>
#include <QStringList>

class QListWidget;

namespace tidewell::editor::ui {

class SubjectsDialog : public QDialog {
 public:
  SubjectsDialog(const QStringList& keywords, QWidget* parent);
  QString answer() const { return m_answer; }
  static QString choose(const QStringList& keywords, QWidget* parent);

 private:
  QListWidget* m_list;
  QString m_answer = "!";
};

}  // namespace tidewell::editor::ui
