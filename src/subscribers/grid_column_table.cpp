#include "subscribers/grid_column_table.h"

#include <charconv>

#include "store/profile_document.h"
#include "store/text.h"

namespace tidewell::subscribers {

namespace {

constexpr int kLargestWidth = 32767;  // widths are 16-bit numbers in the settings file

std::optional<int> readWidth(std::string_view text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < 0 || value > kLargestWidth) return std::nullopt;
  return value;
}

// "caption:on/off:width:key"; parts that are missing or unreadable keep the default.
GridColumn readEntry(std::string_view text, const GridColumn& fallback) {
  GridColumn column = fallback;
  std::vector<std::string> parts = store::split(text, ":");
  column.caption = parts[0];
  if (parts.size() > 1) column.onOff = store::toUpperAscii(parts[1]);
  if (parts.size() > 2) column.width = readWidth(parts[2]).value_or(fallback.width);
  if (parts.size() > 3) column.key = parts[3];
  return column;
}

std::vector<std::string> entryTexts(std::string_view gridText) {
  std::vector<std::string> parts = store::split(gridText, ",");
  if (parts.back().empty()) parts.pop_back();  // the text after the final comma
  return parts;
}

const GridColumnTable& defaults() {
  static const GridColumnTable table = GridColumnTable::parse(store::kDefaultGridText);
  return table;
}

}  // namespace

GridColumnTable::GridColumnTable() : GridColumnTable(defaults()) {}

GridColumnTable GridColumnTable::parse(std::string_view gridText) {
  static const std::array<GridColumn, kEntryCount> kBuiltIn = {
      GridColumn{"ON", "", 540, "tvcount"},
      GridColumn{"ON", "Email Address", 2910, "tvemailaddy"},
      GridColumn{"ON", "Name", 1395, "tvname"},
      GridColumn{"ON", "Sign-Up Date", 1410, "tvsignup"},
      GridColumn{"ON", "Active", 570, "tvactive"},
      GridColumn{"ON", "Filter", 1125, "tvgridfilter"}};
  GridColumnTable table(kBuiltIn);
  if (gridText == store::kAbsent) gridText = {};
  std::vector<std::string> texts = entryTexts(gridText);
  for (std::size_t i = 0; i < kEntryCount && i < texts.size(); ++i) {
    table.m_entries[i] = readEntry(texts[i], kBuiltIn[i]);
  }
  table.numberGridColumns();
  return table;
}

GridColumnTable::GridColumnTable(const std::array<GridColumn, kEntryCount>& entries)
    : m_entries(entries) {}

std::string GridColumnTable::menuKey(std::size_t entry) const {
  return store::toUpperAscii(m_entries[entry].key);
}

std::string GridColumnTable::gridText() const {
  std::string text;
  for (const GridColumn& c : m_entries) {
    text += c.caption + ":" + c.onOff + ":" + std::to_string(c.width) + ":" + c.key + ",";
  }
  return text;
}

void GridColumnTable::updateWidths(const std::vector<int>& currentWidths) {
  for (GridColumn& c : m_entries) {
    if (c.gridColumn < 0 || static_cast<std::size_t>(c.gridColumn) >= currentWidths.size()) {
      continue;
    }
    int width = currentWidths[static_cast<std::size_t>(c.gridColumn)];
    if (width >= 0 && width <= kLargestWidth) c.width = width;
  }
}

void GridColumnTable::toggle(std::size_t entry, const std::vector<int>& currentWidths) {
  updateWidths(currentWidths);
  GridColumn& c = m_entries[entry];
  c.onOff = c.isOn() ? "OFF" : "ON";
  numberGridColumns();
}

std::vector<std::size_t> GridColumnTable::shownEntries() const {
  std::vector<std::size_t> shown;
  for (std::size_t i = 0; i < kEntryCount; ++i) {
    if (m_entries[i].isOn()) shown.push_back(i);
  }
  return shown;
}

void GridColumnTable::numberGridColumns() {
  int next = 0;
  for (GridColumn& c : m_entries) c.gridColumn = c.isOn() ? next++ : -1;
}

GridColumnTable f_load_grid_properties(const store::SettingsFile& settings) {
  return GridColumnTable::parse(settings.gridText());
}

bool s_update_col_widths(GridColumnTable& columns, const std::vector<int>& currentWidths,
                         store::SettingsFile& settings) {
  columns.updateWidths(currentWidths);
  return settings.writeGridText(columns.gridText());
}

}  // namespace tidewell::subscribers
