#include "editor/ui/focus_edits.h"

#include <QApplication>
#include <QFocusEvent>

namespace tidewell::editor::ui {

void FocusEdits::watch(QWidget* field, Reader read, Writer write) {
  m_fields.insert(field, Field{std::move(read), std::move(write)});
  field->installEventFilter(this);
}

void FocusEdits::stop() {
  for (auto it = m_fields.begin(); it != m_fields.end(); ++it) it.key()->removeEventFilter(this);
  m_fields.clear();
}

bool FocusEdits::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && !m_writing) {
    auto it = m_fields.find(watched);
    if (it != m_fields.end()) m_oldText = it->read();
  } else if (event->type() == QEvent::FocusOut) {
    // A combo's own list popping up is not leaving the field.
    if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) leave(watched);
  }
  return QObject::eventFilter(watched, event);
}

void FocusEdits::leave(QObject* field) {
  auto it = m_fields.find(field);
  if (it == m_fields.end() || m_writing) return;
  m_writing = true;
  Field f = it.value();
  f.write(f.read(), m_oldText);
  m_writing = false;
}

void FocusEdits::commitFocused() {
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
    if (m_fields.contains(w)) {
      leave(w);
      return;
    }
  }
}

}  // namespace tidewell::editor::ui

namespace tidewell::editor::ui {

void FocusEdits::refreshOldText() {
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
    auto it = m_fields.find(w);
    if (it != m_fields.end()) {
      m_oldText = it->read();
      return;
    }
  }
}

}  // namespace tidewell::editor::ui
