#pragma once
// Drives modal dialogs in the panel tests: polls QApplication::activeModalWidget() every 10 ms
// and hands each new one to the next step; past the deadline every modal is rejected so a test
// never hangs.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>

namespace tidewell::editor::ui::testing {

class ModalDriver {
 public:
  using Step = std::function<void(QWidget* modal)>;

  explicit ModalDriver(int deadlineMs = 5000) : m_deadlineMs(deadlineMs) {
    m_clock.start();
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start(10);
  }
  // Steps run in order, each on a modal widget it has not seen before.
  void then(Step step) { m_steps.push_back(std::move(step)); }
  bool finished() const { return m_steps.empty(); }
  int handled() const { return m_handled; }

 private:
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (m_clock.elapsed() > m_deadlineMs) {
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      return;
    }
    if (!modal || m_steps.empty() || seen(modal)) return;
    m_seen.push_back(modal);
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    ++m_handled;
    step(modal);
  }

  QTimer m_timer;
  QElapsedTimer m_clock;
  int m_deadlineMs;
  std::deque<Step> m_steps;
  // A dialog that opened a message box becomes the active modal again once the box closes.
  bool seen(QWidget* modal) const {
    for (const QPointer<QWidget>& w : m_seen) {
      if (w == modal) return true;
    }
    return false;
  }
  QList<QPointer<QWidget>> m_seen;
  int m_handled = 0;
};

}  // namespace tidewell::editor::ui::testing
