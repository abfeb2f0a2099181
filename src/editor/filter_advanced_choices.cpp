#include "editor/filter_advanced_choices.h"

#include "store/profile_document.h"

namespace tidewell::editor {

std::string FilterAdvancedChoices::valueOf(int row) const {
  if (!enabled || row <= 0 || row >= static_cast<int>(entries.size())) return {};
  return entries[static_cast<std::size_t>(row)];
}

FilterAdvancedChoices filterAdvancedChoices(const std::vector<store::FilterRecord>& filters,
                                            int editedIndex, std::string_view currentValue) {
  FilterAdvancedChoices choices;
  choices.entries.emplace_back(kNoneSelected);
  for (const store::FilterRecord& f : filters) {
    if (f.indexNumber == editedIndex) continue;
    choices.entries.push_back(f.title);
    if (!store::isAbsentOrEmpty(currentValue) && f.title == currentValue) {
      choices.selected = static_cast<int>(choices.entries.size()) - 1;
    }
  }
  choices.enabled = choices.entries.size() > 1;
  if (!choices.enabled) choices.entries = {std::string(kNoFiltersAvailable)};
  return choices;
}

}  // namespace tidewell::editor
