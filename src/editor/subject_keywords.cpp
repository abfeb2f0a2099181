#include "editor/subject_keywords.h"

#include "engine/rule_line.h"

namespace tidewell::editor {

std::vector<std::string> subjectKeywords(const store::FilterRecord& filter) {
  std::vector<std::string> keywords;
  for (const auto& line : filter.rules) {
    if (line.find("Subject") != std::string::npos) {
      keywords.push_back(engine::ff_get_field(line, 3));
    }
  }
  return keywords;
}

}  // namespace tidewell::editor
