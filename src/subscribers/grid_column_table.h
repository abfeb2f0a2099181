#pragma once
// The subscriber grid's six columns (count, address, name, sign-up date, active, filter): which
// are shown, their captions and widths, and their `grid` text in the program settings file.
// Lives for the whole run, owned by the main window; one thread.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "store/settings_file.h"

namespace tidewell::subscribers {

// The column kinds, in the fixed order of the table's entries.
enum class ColumnKind { kCount, kEmailAddress, kName, kSignUp, kActive, kFilter };

// One entry of the column table.
struct GridColumn {
  std::string onOff;  // "ON" or "OFF", upper case
  std::string caption;
  int width = 0;  // twips
  std::string key;
  int gridColumn = -1;  // position among the shown columns, -1 when off
  bool isOn() const { return onOff == "ON"; }
};

class GridColumnTable {
 public:
  static constexpr std::size_t kEntryCount = 6;

  // The default columns, all shown.
  GridColumnTable();
  // Reads "caption:on/off:width:key," per entry. Entries or parts that are missing or
  // unreadable (only a hand-edited file has them) keep their defaults; entries past the
  // sixth are ignored.
  static GridColumnTable parse(std::string_view gridText);

  const GridColumn& entry(std::size_t i) const { return m_entries[i]; }
  static ColumnKind kind(std::size_t entry) { return static_cast<ColumnKind>(entry); }
  // The menu item's name the entry is matched with: the key in upper case ("TVCOUNT").
  std::string menuKey(std::size_t entry) const;

  // The `grid` text: caption:on/off:width:key, per entry, each followed by a comma.
  std::string gridText() const;
  // Takes the grid's current widths (indexed by grid column) into the shown entries.
  void updateWidths(const std::vector<int>& currentWidths);
  // The column menu: keeps the current widths, then shows a hidden column or hides a shown one
  // (which keeps the width it had), and numbers the shown columns again.
  void toggle(std::size_t entry, const std::vector<int>& currentWidths);
  // The entries that are shown, in order; entry e is grid column i of the result's index.
  std::vector<std::size_t> shownEntries() const;

 private:
  explicit GridColumnTable(const std::array<GridColumn, kEntryCount>& entries);
  void numberGridColumns();

  std::array<GridColumn, kEntryCount> m_entries;
};

// Reads `grid` from the program settings file into a column table.
GridColumnTable f_load_grid_properties(const store::SettingsFile& settings);
// Takes the current widths and writes `grid` back to the program settings file.
bool s_update_col_widths(GridColumnTable& columns, const std::vector<int>& currentWidths,
                         store::SettingsFile& settings);

}  // namespace tidewell::subscribers
