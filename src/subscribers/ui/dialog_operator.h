#pragma once
// The operator as a subscriber dialog reaches them: message boxes over the dialog itself (so a
// window kept on top does not hide them), status and progress passed on to the main window's.
// Lives with its dialog; UI thread.

#include <QMessageBox>
#include <QPointer>

#include "store/operator_interface.h"

namespace tidewell::subscribers::ui {

class DialogOperator : public store::OperatorInterface {
 public:
  DialogOperator(QWidget* dialog, store::OperatorInterface& window)
      : m_dialog(dialog), m_window(window) {}

  void showStatus(const std::string& text) override { m_window.showStatus(text); }
  void showMessage(const std::string& text, const std::string& caption) override {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok, m_dialog);
    box.exec();
  }
  bool askYesNo(const std::string& question, const std::string& caption) override {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                    QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No, m_dialog);
    return box.exec() == QMessageBox::Yes;
  }
  void showProgress(std::int64_t value, std::int64_t maximum) override {
    m_window.showProgress(value, maximum);
  }
  void hideProgress() override { m_window.hideProgress(); }

 private:
  QPointer<QWidget> m_dialog;
  store::OperatorInterface& m_window;
};

}  // namespace tidewell::subscribers::ui
