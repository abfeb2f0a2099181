#include "editor/ui/extract_key_grid.h"

#include <QHeaderView>

#include "editor/ui/choice_delegate.h"
#include "editor/ui/qt_text.h"

namespace tidewell::editor::ui {

namespace {
enum Column { kFind, kUntil, kTarget, kActive };
}

ExtractKeyGrid::ExtractKeyGrid(QWidget* parent) : QTableWidget(parent) {
  setObjectName("personal_fields2");
  setColumnCount(4);
  setHorizontalHeaderLabels({"Find", "Extract Until", "Apply to PMF", "Active"});
  setRowCount(static_cast<int>(store::kPersonalFieldCount));
  verticalHeader()->setDefaultSectionSize(22);
  horizontalHeader()->setSectionResizeMode(kTarget, QHeaderView::Stretch);
  setItemDelegateForColumn(
      kUntil,
      new ChoiceDelegate([] { return toQt(ExtractKeyEditor::untilChoices()); }, true, this));
  setItemDelegateForColumn(kTarget, new ChoiceDelegate(
                                        [this] {
                                          QStringList texts;
                                          for (const PmfChoice& c : m_editor.pmfChoices()) {
                                            texts << toQt(c.text);
                                          }
                                          return texts;
                                        },
                                        false, this));
  connect(this, &QTableWidget::itemChanged, this,
          [this](QTableWidgetItem* item) { cellChanged(item); });
}

void ExtractKeyGrid::showTables(const store::ExtractKeyTable& keys,
                                const store::FieldTable& fields) {
  m_editor = ExtractKeyEditor(keys, fields);
  m_filling = true;
  for (int row = 0; row < rowCount(); ++row) fillRow(row);
  m_filling = false;
}

void ExtractKeyGrid::fillRow(int row) {
  setItem(row, kFind, new QTableWidgetItem);
  setItem(row, kUntil, new QTableWidgetItem);
  setItem(row, kTarget, new QTableWidgetItem);
  auto* active = new QTableWidgetItem;
  active->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
  setItem(row, kActive, active);
  refreshRow(row);
}

void ExtractKeyGrid::refreshRow(int row) {
  const store::ExtractKey& k = m_editor.key(row);
  item(row, kFind)->setText(toQt(k.find));
  item(row, kUntil)->setText(toQt(k.until));
  item(row, kTarget)->setText(toQt(k.targetCaption));
  item(row, kActive)->setCheckState(k.active ? Qt::Checked : Qt::Unchecked);
}

void ExtractKeyGrid::cellChanged(QTableWidgetItem* item) {
  if (m_filling) return;
  int row = item->row();
  bool changed = false;
  switch (item->column()) {
    case kFind:
      changed = m_editor.setFind(row, toStd(item->text()));
      break;
    case kUntil:
      changed = m_editor.setUntil(row, ExtractKeyEditor::untilValue(toStd(item->text())));
      break;
    case kTarget:
      for (const PmfChoice& c : m_editor.pmfChoices()) {
        if (toQt(c.text) == item->text()) changed = m_editor.setTarget(row, c);
      }
      break;
    case kActive:
      if ((item->checkState() == Qt::Checked) == m_editor.key(row).active) return;
      changed = m_editor.toggleActive(row);
      break;
  }
  m_filling = true;
  refreshRow(row);
  m_filling = false;
  if (changed && m_changed) m_changed();
}

}  // namespace tidewell::editor::ui
