#include "editor/optout_link.h"

#include "editor/html_text.h"

namespace tidewell::editor {

std::string optOutLink(std::string_view listAddress, std::string_view filterTitle,
                       std::string_view delimiter) {
  std::string link(kOptOutServicePage);
  link += "?t=" + percentEncode(listAddress);
  link += "&f=" + std::string(delimiter) + "email" + std::string(delimiter);
  link += "&s=" + percentEncode(filterTitle);
  link += "&c=o";
  return link;
}

}  // namespace tidewell::editor
