#pragma once
// personal_fields2: the grid of a filter's extract keys (find, until, target field, active).
// Shows an ExtractKeyEditor and reports each accepted change so the panel can write
// "extractkeys".
#include <QTableWidget>
#include <functional>

#include "editor/extract_key_editor.h"

namespace tidewell::editor::ui {

class ExtractKeyGrid : public QTableWidget {
 public:
  explicit ExtractKeyGrid(QWidget* parent = nullptr);

  void showTables(const store::ExtractKeyTable& keys, const store::FieldTable& fields);
  // The field editor changed: the "Apply to PMF" choices follow.
  void setFieldTable(const store::FieldTable& fields) { m_editor.setFieldTable(fields); }
  const ExtractKeyEditor& editor() const { return m_editor; }
  void onChanged(std::function<void()> changed) { m_changed = std::move(changed); }

 private:
  void cellChanged(QTableWidgetItem* item);
  void fillRow(int row);
  void refreshRow(int row);

  ExtractKeyEditor m_editor;
  std::function<void()> m_changed;
  bool m_filling = false;
};

}  // namespace tidewell::editor::ui
