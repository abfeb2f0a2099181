#include "cycle_lock.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVariant>

namespace tidewell::app {

namespace {

// The state a widget had before the lock, kept on the widget itself.
constexpr const char* kBefore = "tidewellStateBeforeCycle";

template <class Widget, class Get, class Set>
void lockOne(Widget* w, bool locked, Get get, Set set, QVariant lockedValue) {
  if (locked) {
    if (w->property(kBefore).isValid()) return;
    w->setProperty(kBefore, get(w));
    set(w, lockedValue);
    return;
  }
  QVariant before = w->property(kBefore);
  if (!before.isValid()) return;
  set(w, before);
  w->setProperty(kBefore, QVariant());
}

void lockWidget(QWidget* w, bool locked) {
  if (auto* line = qobject_cast<QLineEdit*>(w)) {
    lockOne(
        line, locked, [](QLineEdit* e) { return QVariant(e->isReadOnly()); },
        [](QLineEdit* e, const QVariant& v) { e->setReadOnly(v.toBool()); }, true);
  } else if (auto* text = qobject_cast<QTextEdit*>(w)) {
    lockOne(
        text, locked, [](QTextEdit* e) { return QVariant(e->isReadOnly()); },
        [](QTextEdit* e, const QVariant& v) { e->setReadOnly(v.toBool()); }, true);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    lockOne(
        plain, locked, [](QPlainTextEdit* e) { return QVariant(e->isReadOnly()); },
        [](QPlainTextEdit* e, const QVariant& v) { e->setReadOnly(v.toBool()); }, true);
  } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
    lockOne(
        view, locked, [](QAbstractItemView* v) { return QVariant(int(v->editTriggers())); },
        [](QAbstractItemView* v, const QVariant& t) {
          v->setEditTriggers(QAbstractItemView::EditTriggers(t.toInt()));
        },
        int(QAbstractItemView::NoEditTriggers));
  } else if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
             qobject_cast<QAbstractSpinBox*>(w)) {
    lockOne(
        w, locked, [](QWidget* e) { return QVariant(e->isEnabled()); },
        [](QWidget* e, const QVariant& v) { e->setEnabled(v.toBool()); }, false);
  }
}

}  // namespace

void lockForCycle(QWidget* panel, bool locked) {
  for (QWidget* w : panel->findChildren<QWidget*>()) {
    // A combo box's own line edit follows its box.
    if (qobject_cast<QComboBox*>(w->parentWidget())) continue;
    lockWidget(w, locked);
  }
}

}  // namespace tidewell::app
