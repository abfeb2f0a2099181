#include "editor/ui/character_delegate.h"

#include <QLineEdit>
#include <QValidator>

namespace tidewell::editor::ui {

namespace {

class CharacterValidator : public QValidator {
 public:
  CharacterValidator(CharacterDelegate::Accepts accepts, QObject* parent)
      : QValidator(parent), m_accepts(std::move(accepts)) {}
  State validate(QString& input, int&) const override {
    for (char32_t c : input.toUcs4()) {
      if (!m_accepts(c)) return Invalid;
    }
    return Acceptable;
  }

 private:
  CharacterDelegate::Accepts m_accepts;
};

}  // namespace

QWidget* CharacterDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                         const QModelIndex&) const {
  auto* editor = new QLineEdit(parent);
  editor->setFrame(false);
  editor->setValidator(new CharacterValidator(m_accepts, editor));
  return editor;
}

}  // namespace tidewell::editor::ui
