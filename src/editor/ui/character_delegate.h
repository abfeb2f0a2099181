#pragma once
// Cell editor that lets only the characters a rule accepts be typed into a grid cell (the field
// editor's name and caption columns). Owned by its grid.
#include <QStyledItemDelegate>
#include <functional>

namespace tidewell::editor::ui {

class CharacterDelegate : public QStyledItemDelegate {
 public:
  using Accepts = std::function<bool(char32_t)>;
  CharacterDelegate(Accepts accepts, QObject* parent)
      : QStyledItemDelegate(parent), m_accepts(std::move(accepts)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;

 private:
  Accepts m_accepts;
};

}  // namespace tidewell::editor::ui
