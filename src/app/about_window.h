#pragma once
// The about window (`f_about`): the product name with its version. Made by the Help menu;
// modal, UI thread only.

#include <QDialog>

namespace tidewell::app {

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  explicit AboutWindow(QWidget* parent = nullptr);
};

}  // namespace tidewell::app
