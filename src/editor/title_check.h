#pragma once
// The checks a filter or newsletter title passes when its box is left: never blank, no TAB or
// line break, never the title of another node. Stateless.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tidewell::editor {

enum class TitledNode { Filter, Newsletter };

struct TitleRefusal {
  std::string message;
  std::string caption;
  bool restoreOldTitle = false;  // the box gets the old title back
};

inline constexpr std::string_view kDuplicateTitleMessage =
    "A Filter\\Newsletter title you have entered already exists. Specify a different name.";

// isDuplicate answers whether the profile already holds the given "title: " line.
std::optional<TitleRefusal> checkTitleOnLeave(
    TitledNode node, std::string_view text, std::string_view oldTitle,
    const std::function<bool(const std::string& line)>& isDuplicate);

}  // namespace tidewell::editor
