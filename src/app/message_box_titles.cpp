#include "message_box_titles.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <algorithm>

namespace tidewell::app {

namespace {

// What a title bar needs beside the caption: the window's icon and its three buttons.
constexpr int kTitleBarExtra = 150;

}  // namespace

void MessageBoxTitles::install() {
  static MessageBoxTitles* filter = nullptr;
  if (filter || !qApp) return;
  filter = new MessageBoxTitles(qApp);
  qApp->installEventFilter(filter);
}

bool MessageBoxTitles::eventFilter(QObject* watched, QEvent* event) {
  // Before the box lays itself out for showing: its text label asks for the room.
  if (event->type() == QEvent::Show) {
    if (auto* box = qobject_cast<QMessageBox*>(watched)) {
      QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
      titleFont.setBold(true);
      const int needed =
          QFontMetrics(titleFont).horizontalAdvance(box->windowTitle()) + kTitleBarExtra;
      if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        // The icon and the margins take the rest of the title's width.
        label->setMinimumWidth(std::max(label->minimumWidth(), needed - 80));
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tidewell::app
