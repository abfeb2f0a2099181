#include "editor/ui/choice_delegate.h"

#include <QComboBox>

namespace tidewell::editor::ui {

QWidget* ChoiceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex&) const {
  auto* box = new QComboBox(parent);
  box->setEditable(m_editable);
  box->addItems(m_choices());
  return box;
}

void ChoiceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* box = static_cast<QComboBox*>(editor);
  QString text = index.data(Qt::EditRole).toString();
  int at = box->findText(text);
  if (at >= 0) {
    box->setCurrentIndex(at);
  } else if (m_editable) {
    box->setEditText(text);
  }
}

void ChoiceDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const {
  auto* box = static_cast<QComboBox*>(editor);
  model->setData(index, box->currentText(), Qt::EditRole);
}

}  // namespace tidewell::editor::ui
