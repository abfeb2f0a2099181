#include "editor/rule_list.h"

#include "engine/rule_line.h"

namespace tidewell::editor {

std::vector<std::string> readRuleLines(const store::ProfileStore& profile, int blockIndex) {
  std::vector<std::string> rules;
  for (int n = 1;; ++n) {
    std::string line = profile.GetFromFile_new(blockIndex, "rule" + std::to_string(n));
    if (line == store::kAbsent) break;
    rules.push_back(std::move(line));
  }
  return rules;
}

std::vector<std::string> ff_Load_Rules(const store::ProfileStore& profile, int blockIndex) {
  std::vector<std::string> shown;
  for (const std::string& line : readRuleLines(profile, blockIndex)) {
    shown.push_back(engine::ruleDisplayText(line));
  }
  return shown;
}

}  // namespace tidewell::editor
