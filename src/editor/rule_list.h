#pragma once
// Reading a filter's numbered rule keys (rule1, rule2, ... up to the first absent one) and their
// display form for the filter panel's list. Stateless.
#include <string>
#include <vector>

#include "store/profile_store.h"

namespace tidewell::editor {

std::vector<std::string> readRuleLines(const store::ProfileStore& profile, int blockIndex);
// ff_Load_Rules: the display form of each rule of the block, in order.
std::vector<std::string> ff_Load_Rules(const store::ProfileStore& profile, int blockIndex);

}  // namespace tidewell::editor
