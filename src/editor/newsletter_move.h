#pragma once
// The newsletter panel's filter choice (LoadRules) and move_newsletter, which places a newsletter
// block directly after the block of the filter it follows, or after the Filters block when it
// follows none. Stateless; user-interface thread.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/filter_record.h"
#include "store/profile_store.h"

namespace tidewell::editor {

struct FollowChoices {
  std::vector<std::string> entries;  // "No Rule Assigned", then every filter title
  std::vector<int> filterIndexes;    // block index of entry k at k - 1
  int selected = 0;
  bool ruleUnknown = false;  // no filter bears the newsletter's rule: write "No Rule Assigned"
};

FollowChoices LoadRules(const std::vector<store::FilterRecord>& filters,
                        std::string_view ruleTitle);

// Moves the newsletter to follow entry `entry` of the choices (0: none), renumbers the blocks and
// returns the moved newsletter's new block index; nullopt when the change failed.
std::optional<int> move_newsletter(store::ProfileStore& profile, int newsletterIndex, int entry,
                                   const std::vector<int>& filterIndexes);

}  // namespace tidewell::editor
