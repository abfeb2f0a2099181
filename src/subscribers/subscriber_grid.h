#pragma once
// The subscriber grid's rules without its widget: row map, cells of the shown columns, show
// filter and rebuild (`loadgrid`); a table model sits on it, rows counting from 1 under the
// header. Owned by the main window with the table; one thread.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/settings_file.h"
#include "store/subscriber_file.h"
#include "store/subscriber_table.h"
#include "subscribers/grid_column_table.h"
#include "subscribers/show_filter.h"

namespace tidewell::subscribers {

using store::Position;

// The rows an action works on: from the current row to the other end of the selection, in
// either order. Row 0 is the header.
struct RowSelection {
  std::uint32_t currentRow = 0;
  std::uint32_t otherEnd = 0;
};

class SubscriberGrid {
 public:
  SubscriberGrid(store::SubscriberTable& table, GridColumnTable& columns);

  store::SubscriberTable& table() const { return m_table; }
  GridColumnTable& columns() const { return m_columns; }
  const ShowFilter& showFilter() const { return m_showFilter; }
  // Takes effect at the next loadgrid.
  void setShowFilter(ShowFilter filter) { m_showFilter = std::move(filter); }

  // Rebuilds the columns from the column table and the rows from the table: every record the
  // show filter shows gets the next row (from 1), every other record not deleted gets row 0.
  void loadgrid();

  // Subscriber rows, the header not counted.
  std::uint32_t rowCount() const { return static_cast<std::uint32_t>(m_rows.size()); }
  std::optional<Position> recordOfRow(std::uint32_t row) const;
  // The row map as the grid kept it: each record number followed by a comma.
  std::string rowMapText() const;

  std::size_t columnCount() const { return m_shownEntries.size(); }
  ColumnKind columnKind(std::size_t column) const;
  const std::string& headerText(std::size_t column) const;
  int columnWidth(std::size_t column) const;
  // The text of a cell; row from 1, column among the shown ones.
  std::string cellText(std::uint32_t row, std::size_t column) const;

  // True when a row action may run: a subscriber row is current and the table is not empty.
  bool rowActionAllowed(std::uint32_t currentRow) const;
  // The records of the selected rows, first row to last; header row and rows past the end left
  // out.
  std::vector<Position> selectedRecords(const RowSelection& selection) const;
  // Takes the rows of deleted records out of the row map and numbers the rest again.
  void dropDeletedRows();

 private:
  store::SubscriberTable& m_table;
  GridColumnTable& m_columns;
  ShowFilter m_showFilter;
  std::vector<Position> m_rows;  // row r shows m_rows[r - 1]
  std::vector<std::size_t> m_shownEntries;
};

// Show filter change: saves pending table changes, writes the column widths back, rebuilds.
// The rebuild happens even when the save failed; the changes stay in the table and flagged.
void changeShowFilter(SubscriberGrid& grid, ShowFilter filter, store::SubscriberFile& file,
                      store::SettingsFile& settings, const std::vector<int>& currentWidths);

// The grid's top row after one mouse-wheel message. rowCount counts the header row; a page is
// the number of rows the grid's height holds (at least 10); consecutive pages overlap by 3 rows.
int wheelTopRow(int topRow, int rowCount, int wheelDelta, int gridHeight, int headerRowHeight);

}  // namespace tidewell::subscribers
