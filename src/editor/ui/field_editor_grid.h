#pragma once
// personal_fields: the grid of a filter's personal message fields (name, caption, active).
// Shows a FieldEditor and reports each accepted change so the panel can write "fields".
#include <QTableWidget>
#include <functional>

#include "editor/field_editor.h"

namespace tidewell::editor::ui {

class FieldEditorGrid : public QTableWidget {
 public:
  explicit FieldEditorGrid(QWidget* parent = nullptr);

  void showTable(const store::FieldTable& table);
  const FieldEditor& editor() const { return m_editor; }
  // Called after every change the rules accepted.
  void onChanged(std::function<void()> changed) { m_changed = std::move(changed); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void cellChanged(QTableWidgetItem* item);
  void fillRow(int row);
  // Updates the row's items in place: they may be the ones whose change is being handled.
  void refreshRow(int row);

  FieldEditor m_editor;
  std::function<void()> m_changed;
  bool m_filling = false;
};

}  // namespace tidewell::editor::ui
