#pragma once
// frmHTML: shows generated opt-in form HTML or an opt-out link for copying. Modal; stores nothing.
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tidewell::editor::ui {

class HtmlDialog : public QDialog {
 public:
  HtmlDialog(const QString& text, const QString& instruction, QWidget* parent);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QPlainTextEdit* m_text;
  QLabel* m_label;
  QPushButton* m_close;
};

}  // namespace tidewell::editor::ui
