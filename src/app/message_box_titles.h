#pragma once
// Makes every message box of the program wide enough to show its whole title: a box sizes
// itself to its text, and a window manager cuts a longer caption short. Installed once on the
// application; UI thread.

#include <QObject>

namespace tidewell::app {

class MessageBoxTitles : public QObject {
 public:
  // Installs one filter on the application; later calls do nothing.
  static void install();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using QObject::QObject;
};

}  // namespace tidewell::app
