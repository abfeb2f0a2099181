#pragma once
// The message box of a refused subscriber action (its text and caption come from the rules).

#include <QMessageBox>

#include "subscribers/refusal.h"

namespace tidewell::subscribers::ui {

inline void showRefusal(QWidget* parent, const Refusal& refusal,
                        QMessageBox::Icon icon = QMessageBox::Warning) {
  QMessageBox box(icon, QString::fromStdString(refusal.caption),
                  QString::fromStdString(refusal.message), QMessageBox::Ok, parent);
  box.exec();
}

inline QString qText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tidewell::subscribers::ui
