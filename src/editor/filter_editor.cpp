#include "editor/filter_editor.h"

namespace tidewell::editor {

std::optional<TitleRefusal> FilterEditor::leaveTitle(const std::string& text,
                                                     const std::string& oldTitle) {
  auto refusal =
      checkTitleOnLeave(TitledNode::Filter, text, oldTitle,
                        [&](const std::string& line) { return m_profile.IsDuplicate(line); });
  if (refusal) return refusal;
  if (text == oldTitle) return std::nullopt;
  // Newsletters name the filter they follow by title.
  m_profile.UpdateNewsletterRule(oldTitle, text);
  m_profile.UpdateFile("title: " + text, oldTitle, m_index);
  return std::nullopt;
}

bool FilterEditor::writeKey(const std::string& key, const std::string& value) {
  return m_profile.UpdateFile_new(m_index, key, value);
}

}  // namespace tidewell::editor
