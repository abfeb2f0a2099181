#pragma once
// Writes a panel's fields when they lose the focus: remembers each field's text when it gains the
// focus (one slot per panel, the "old value") and hands both texts to the field's writer when
// it is left. Owned by its panel; user-interface thread.
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace tidewell::editor::ui {

class FocusEdits : public QObject {
 public:
  using Reader = std::function<QString()>;
  using Writer = std::function<void(const QString& text, const QString& oldText)>;

  explicit FocusEdits(QObject* parent) : QObject(parent) {}

  void watch(QWidget* field, Reader read, Writer write);
  // Stops watching. A panel calls it first thing in its destructor: the fields' focus-out as they
  // are torn down must not run writers whose panel is half gone.
  void stop();
  // Writes the watched field that has the focus now, as if it were left.
  void commitFocused();
  // After the panel refilled its fields: the focused field's new text becomes the old value.
  void refreshOldText();
  const QString& oldText() const { return m_oldText; }
  void setOldText(const QString& text) { m_oldText = text; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Field {
    Reader read;
    Writer write;
  };
  void leave(QObject* field);

  QHash<QObject*, Field> m_fields;
  QString m_oldText;
  bool m_writing = false;  // a writer's message box must not start another write
};

}  // namespace tidewell::editor::ui
