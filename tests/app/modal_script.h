#pragma once
// Drives the modal dialogs and popup menus a test opens: each step is offered the active modal
// widget (or popup) until it takes one, and a deadline closes whatever is left so that a test
// never hangs. Lives on the test's stack; UI thread only.

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>

class QAbstractButton;

namespace tidewell::testing {

// Clicks the button once the current event has been handled.
void clickLater(QAbstractButton* button);
void clickLater(QWidget* parent, const char* button);

// The named child widget; a test cannot go on without it.
template <class W = QWidget>
W* child(QWidget* parent, const char* name) {
  W* w = parent->findChild<W*>(name);
  if (!w) qFatal("no widget %s", name);
  return w;
}

// Shows the window and waits until it is active.
bool showActive(QWidget* window);

class ModalScript : public QObject {
 public:
  // Returns true when it handled the widget; the next step then waits for another one.
  using Step = std::function<bool(QWidget*)>;

  explicit ModalScript(int deadlineMs = 5000);
  ~ModalScript() override;

  ModalScript& then(Step step);
  // Shorthand: the next message box; its caption and text are recorded, then button pressed
  // (the first one when the box has no such button).
  ModalScript& answerBox(int button);
  // Shorthand: the next widget with this object name is handed to act.
  ModalScript& onWidget(const QString& objectName, std::function<void(QWidget*)> act);

  bool done() const { return m_steps.empty(); }
  bool timedOut() const { return m_timedOut; }
  // Caption and text of every box answered, "caption|text".
  const QStringList& boxes() const { return m_boxes; }

 private:
  void poll();

  std::deque<Step> m_steps;
  QTimer m_poll;
  QTimer m_deadline;
  QPointer<QWidget> m_handled;
  QStringList m_boxes;
  bool m_timedOut = false;
};

}  // namespace tidewell::testing
