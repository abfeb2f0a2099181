#pragma once
// Cell editor offering a list of choices (the extract-key editor's "Extract Until" and
// "Apply to PMF" columns); editable lists also take typed text. Owned by its grid.
#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>

namespace tidewell::editor::ui {

class ChoiceDelegate : public QStyledItemDelegate {
 public:
  ChoiceDelegate(std::function<QStringList()> choices, bool editable, QObject* parent)
      : QStyledItemDelegate(parent), m_choices(std::move(choices)), m_editable(editable) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

 private:
  std::function<QStringList()> m_choices;
  bool m_editable;
};

}  // namespace tidewell::editor::ui
