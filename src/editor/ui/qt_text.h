#pragma once
// UTF-8 conversions between the core's std::string and Qt's QString, and widget naming.
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace tidewell::editor::ui {

inline std::string toStd(const QString& text) {
  return text.toStdString();
}
inline QString toQt(const std::string& text) {
  return QString::fromStdString(text);
}
// A widget given the object name the tests and the style sheets know it by.
template <class W>
W* named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

inline QStringList toQt(const std::vector<std::string>& texts) {
  QStringList list;
  for (const std::string& t : texts) list << toQt(t);
  return list;
}

}  // namespace tidewell::editor::ui
