#pragma once
// The operator as the desktop program reaches them: status panel 2, the progress bar in status
// panel 1, and message boxes. Owned by the main window; status and progress may be reported
// from a transfer thread and are then passed to the UI thread, boxes only come from the UI.

#include <QPointer>
#include <QString>
#include <functional>

#include "store/operator_interface.h"

class QLabel;
class QProgressBar;
class QWidget;

namespace tidewell::app {

class WidgetOperator : public store::OperatorInterface {
 public:
  // Until attached, texts and progress go nowhere and boxes have no parent.
  void attach(QWidget* window, QLabel* statusText, QProgressBar* progress);
  // Whoever follows the status line as it changes (a log view, the tests); UI thread.
  void setStatusObserver(std::function<void(const QString&)> observer) {
    m_statusObserver = std::move(observer);
  }

  void showStatus(const std::string& text) override;
  void showMessage(const std::string& text, const std::string& caption) override;
  bool askYesNo(const std::string& question, const std::string& caption) override;
  void showProgress(std::int64_t value, std::int64_t maximum) override;
  void hideProgress() override;

 private:
  // Runs work on the UI thread: at once there, queued from any other thread.
  template <class Work>
  void onUiThread(Work&& work);

  QPointer<QWidget> m_window;
  QPointer<QLabel> m_statusText;
  QPointer<QProgressBar> m_progress;
  std::function<void(const QString&)> m_statusObserver;
};

}  // namespace tidewell::app
