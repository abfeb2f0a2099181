#include "modal_script.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

namespace tidewell::testing {

void clickLater(QAbstractButton* button) {
  // A click that opens another modal window must not run inside the poll: its loop would stop
  // the poll from firing again.
  QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
}

void clickLater(QWidget* parent, const char* button) {
  clickLater(child<QAbstractButton>(parent, button));
}

bool showActive(QWidget* window) {
  window->show();
  window->activateWindow();
  return QTest::qWaitForWindowActive(window);
}

ModalScript::ModalScript(int deadlineMs) {
  m_poll.setInterval(10);
  connect(&m_poll, &QTimer::timeout, this, &ModalScript::poll);
  m_poll.start();
  m_deadline.setSingleShot(true);
  connect(&m_deadline, &QTimer::timeout, this, [this] {
    m_timedOut = !m_steps.empty();
    m_steps.clear();
    // Whatever is still open is closed so that the code under test returns.
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      dialog->reject();
      QApplication::processEvents();
      if (QApplication::activeModalWidget() == dialog) break;
    }
  });
  m_deadline.start(deadlineMs);
}

ModalScript::~ModalScript() = default;

ModalScript& ModalScript::then(Step step) {
  m_steps.push_back(std::move(step));
  return *this;
}

ModalScript& ModalScript::answerBox(int button) {
  return then([this, button](QWidget* widget) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (!box) return false;
    m_boxes << box->windowTitle() + "|" + box->text();
    QAbstractButton* pressed = box->button(static_cast<QMessageBox::StandardButton>(button));
    clickLater(pressed ? pressed : box->buttons().first());
    return true;
  });
}

ModalScript& ModalScript::onWidget(const QString& objectName, std::function<void(QWidget*)> act) {
  return then([objectName, act = std::move(act)](QWidget* widget) {
    if (widget->objectName() != objectName) return false;
    act(widget);
    return true;
  });
}

void ModalScript::poll() {
  if (m_steps.empty()) return;
  QWidget* widget = QApplication::activePopupWidget();
  if (!widget) widget = QApplication::activeModalWidget();
  if (!widget || widget == m_handled) return;
  if (m_steps.front()(widget)) {
    m_steps.pop_front();
    // The widget stays active until the queued action has run.
    m_handled = widget;
    QTimer::singleShot(0, this, [this] { m_handled = nullptr; });
  }
}

}  // namespace tidewell::testing
