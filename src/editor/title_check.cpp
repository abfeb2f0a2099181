#include "editor/title_check.h"

#include "store/text.h"

namespace tidewell::editor {

std::optional<TitleRefusal> checkTitleOnLeave(
    TitledNode node, std::string_view text, std::string_view oldTitle,
    const std::function<bool(const std::string& line)>& isDuplicate) {
  if (text.empty()) {
    return TitleRefusal{node == TitledNode::Filter ? "Filter Title can't be blank!"
                                                   : "Newsletter Title can't be blank!",
                        "Error!", false};
  }
  // The logs and the send journal separate their fields with TAB; line breaks end a profile line.
  if (text.find_first_of("\t\r\n") != std::string_view::npos) {
    return TitleRefusal{node == TitledNode::Filter
                            ? "Filter Title can't hold a TAB or line break!"
                            : "Newsletter Title can't hold a TAB or line break!",
                        "Error!", true};
  }
  // The duplicate test ignores letter case, so a title changed only in case would find its own
  // line; such a change is a rename of the same node, not a clash.
  if (store::equalsIgnoreCase(text, oldTitle)) return std::nullopt;
  if (isDuplicate("title: " + std::string(text))) {
    return TitleRefusal{std::string(kDuplicateTitleMessage), "Error!", true};
  }
  return std::nullopt;
}

}  // namespace tidewell::editor
