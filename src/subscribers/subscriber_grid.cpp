#include "subscribers/subscriber_grid.h"

#include <algorithm>

namespace tidewell::subscribers {

namespace {

constexpr int kSmallestPage = 10;
constexpr int kPageOverlap = 3;

}  // namespace

SubscriberGrid::SubscriberGrid(store::SubscriberTable& table, GridColumnTable& columns)
    : m_table(table), m_columns(columns) {}

void SubscriberGrid::loadgrid() {
  m_shownEntries = m_columns.shownEntries();
  m_rows.clear();
  if (m_table.isEmpty()) return;
  ShowFilter::Matcher matcher = m_showFilter.matcher(m_table);
  for (Position p = 0; p < m_table.size(); ++p) {
    const store::SubscriberRecord& r = m_table.record(p);
    if (r.isDeleted()) continue;
    if (matcher.shows(r)) {
      m_rows.push_back(p);
      m_table.setGridRow(p, static_cast<std::int32_t>(m_rows.size()));
    } else {
      m_table.setGridRow(p, 0);
    }
  }
}

std::optional<Position> SubscriberGrid::recordOfRow(std::uint32_t row) const {
  if (row < 1 || row > m_rows.size()) return std::nullopt;
  return m_rows[row - 1];
}

std::string SubscriberGrid::rowMapText() const {
  std::string text;
  for (Position p : m_rows) text += std::to_string(p) + ",";
  return text;
}

ColumnKind SubscriberGrid::columnKind(std::size_t column) const {
  return GridColumnTable::kind(m_shownEntries.at(column));
}

const std::string& SubscriberGrid::headerText(std::size_t column) const {
  return m_columns.entry(m_shownEntries.at(column)).caption;
}

int SubscriberGrid::columnWidth(std::size_t column) const {
  return m_columns.entry(m_shownEntries.at(column)).width;
}

std::string SubscriberGrid::cellText(std::uint32_t row, std::size_t column) const {
  std::optional<Position> p = recordOfRow(row);
  if (!p || column >= m_shownEntries.size()) return {};
  const store::SubscriberRecord& r = m_table.record(*p);
  switch (columnKind(column)) {
    case ColumnKind::kCount:
      return std::to_string(row);
    case ColumnKind::kEmailAddress:
      return std::string(r.email());
    case ColumnKind::kName:
      return std::string(r.name());
    case ColumnKind::kSignUp:
      return store::shortDateText(m_table.signup(*p));
    case ColumnKind::kActive:
      return std::string(m_table.active(*p));
    case ColumnKind::kFilter:
      return std::string(m_table.filterTitle(*p));
  }
  return {};
}

bool SubscriberGrid::rowActionAllowed(std::uint32_t currentRow) const {
  return !m_table.isEmpty() && recordOfRow(currentRow).has_value();
}

std::vector<Position> SubscriberGrid::selectedRecords(const RowSelection& selection) const {
  std::uint32_t first =
      std::max<std::uint32_t>(1, std::min(selection.currentRow, selection.otherEnd));
  std::uint32_t last = std::min(rowCount(), std::max(selection.currentRow, selection.otherEnd));
  std::vector<Position> records;
  for (std::uint32_t row = first; row <= last; ++row) records.push_back(m_rows[row - 1]);
  return records;
}

void SubscriberGrid::dropDeletedRows() {
  std::erase_if(m_rows, [&](Position p) { return m_table.record(p).isDeleted(); });
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    m_table.setGridRow(m_rows[i], static_cast<std::int32_t>(i + 1));
  }
}

void changeShowFilter(SubscriberGrid& grid, ShowFilter filter, store::SubscriberFile& file,
                      store::SettingsFile& settings, const std::vector<int>& currentWidths) {
  if (grid.table().changed()) file.Save_Email(grid.table());
  s_update_col_widths(grid.columns(), currentWidths, settings);
  grid.setShowFilter(std::move(filter));
  grid.loadgrid();
}

int wheelTopRow(int topRow, int rowCount, int wheelDelta, int gridHeight, int headerRowHeight) {
  int page = headerRowHeight > 0 ? gridHeight / headerRowHeight : 0;
  if (page < kSmallestPage) page = kSmallestPage;
  int target = wheelDelta < 1 ? std::min(topRow + page, rowCount - 1) : std::max(topRow - page, 1);
  if (target > topRow) {
    target = target < kPageOverlap + 1 ? 1 : target - kPageOverlap;
  } else {
    target = target >= kPageOverlap + 1 ? target + kPageOverlap : 1;
  }
  return target;
}

}  // namespace tidewell::subscribers
