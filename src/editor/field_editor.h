#pragma once
// The rules of the filter panel's field editor: which characters a field name or caption may
// hold, which rows can be edited, when a field may become active, and the "fields" value the
// edited table writes. Works on a copy of one filter's table; user-interface thread.
#include <string>
#include <string_view>

#include "store/filter_record.h"

namespace tidewell::editor {

class FieldEditor {
 public:
  explicit FieldEditor(store::FieldTable table = {}) : m_table(std::move(table)) {}

  // Lower-case a to z, digits and ".".
  static bool acceptsNameCharacter(char32_t c);
  // Letters, digits, blank and ".".
  static bool acceptsCaptionCharacter(char32_t c);

  const store::FieldTable& table() const { return m_table; }
  // The e-mail field's name (row 0) is fixed.
  static bool nameEditable(int row) { return row > 0; }
  // A free slot shows empty name and caption cells.
  std::string shownName(int row) const;
  std::string shownCaption(int row) const;
  bool active(int row) const;

  // Committed cells replace the name or caption as typed. False when nothing changed.
  bool setName(int row, const std::string& name);
  bool setCaption(int row, const std::string& caption);
  // Activating needs a real name and a non-blank caption; deactivating always works.
  bool toggleActive(int row);

  // The "fields" value: 41 entries, state "on" or "off".
  std::string value() const { return store::formatFieldTable(m_table); }

 private:
  bool validRow(int row) const { return row >= 0 && row < static_cast<int>(m_table.size()); }
  store::FieldTable m_table;
};

}  // namespace tidewell::editor
