#pragma once
// The choices of the filter's Advanced dialog: which other filter's subscription of the same
// address is ended when the address signs up here. Value type.
#include <string>
#include <string_view>
#include <vector>

#include "store/filter_record.h"

namespace tidewell::editor {

inline constexpr std::string_view kNoneSelected = "None Selected";
inline constexpr std::string_view kNoFiltersAvailable = "No Filters Available";

struct FilterAdvancedChoices {
  std::vector<std::string> entries;
  bool enabled = false;
  int selected = 0;

  // "None Selected" and the missing list both store empty text.
  std::string valueOf(int row) const;
};

// Every filter but the edited one; the current value, when present and listed, is selected.
FilterAdvancedChoices filterAdvancedChoices(const std::vector<store::FilterRecord>& filters,
                                            int editedIndex, std::string_view currentValue);

}  // namespace tidewell::editor
