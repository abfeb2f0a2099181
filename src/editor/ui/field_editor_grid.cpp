#include "editor/ui/field_editor_grid.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "editor/ui/character_delegate.h"
#include "editor/ui/qt_text.h"

namespace tidewell::editor::ui {

namespace {
enum Column { kName, kCaption, kActive };
}

FieldEditorGrid::FieldEditorGrid(QWidget* parent) : QTableWidget(parent) {
  setObjectName("personal_fields");
  setColumnCount(3);
  setHorizontalHeaderLabels({"Field Name", "Field Caption", "Active"});
  setRowCount(static_cast<int>(store::kPersonalFieldCount));
  verticalHeader()->setDefaultSectionSize(22);
  horizontalHeader()->setSectionResizeMode(kCaption, QHeaderView::Stretch);
  setItemDelegateForColumn(kName, new CharacterDelegate(FieldEditor::acceptsNameCharacter, this));
  setItemDelegateForColumn(kCaption,
                           new CharacterDelegate(FieldEditor::acceptsCaptionCharacter, this));
  connect(this, &QTableWidget::itemChanged, this,
          [this](QTableWidgetItem* item) { cellChanged(item); });
}

void FieldEditorGrid::showTable(const store::FieldTable& table) {
  m_editor = FieldEditor(table);
  m_filling = true;
  for (int row = 0; row < rowCount(); ++row) fillRow(row);
  m_filling = false;
}

void FieldEditorGrid::fillRow(int row) {
  auto* name = new QTableWidgetItem(toQt(m_editor.shownName(row)));
  if (!FieldEditor::nameEditable(row)) name->setFlags(name->flags() & ~Qt::ItemIsEditable);
  setItem(row, kName, name);
  setItem(row, kCaption, new QTableWidgetItem(toQt(m_editor.shownCaption(row))));
  auto* active = new QTableWidgetItem;
  active->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
  active->setCheckState(m_editor.active(row) ? Qt::Checked : Qt::Unchecked);
  setItem(row, kActive, active);
}

void FieldEditorGrid::refreshRow(int row) {
  item(row, kName)->setText(toQt(m_editor.shownName(row)));
  item(row, kCaption)->setText(toQt(m_editor.shownCaption(row)));
  item(row, kActive)->setCheckState(m_editor.active(row) ? Qt::Checked : Qt::Unchecked);
}

void FieldEditorGrid::cellChanged(QTableWidgetItem* item) {
  if (m_filling) return;
  int row = item->row();
  bool changed = false;
  switch (item->column()) {
    case kName:
      changed = m_editor.setName(row, toStd(item->text()));
      break;
    case kCaption:
      changed = m_editor.setCaption(row, toStd(item->text()));
      break;
    case kActive:
      if ((item->checkState() == Qt::Checked) == m_editor.active(row)) return;
      changed = m_editor.toggleActive(row);
      break;
  }
  // The cell shows what the table holds, whether or not the rules took the change.
  m_filling = true;
  refreshRow(row);
  m_filling = false;
  if (changed && m_changed) m_changed();
}

void FieldEditorGrid::keyPressEvent(QKeyEvent* event) {
  // Enter neither edits nor moves in this grid.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
  QTableWidget::keyPressEvent(event);
}

}  // namespace tidewell::editor::ui
