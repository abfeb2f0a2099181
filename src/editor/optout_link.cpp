#include "editor/optout_link.h"

#include "engine/web_kit_links.h"

namespace tidewell::editor {

std::string optOutLink(std::string_view kitAddress, std::string_view listAddress,
                       std::string_view filterTitle, std::string_view delimiter) {
  const std::string d(delimiter);
  return std::string(kitAddress) + engine::optOutQuery(listAddress, d + "email" + d, filterTitle) +
         "&k=" + d + "optoutkey" + d;
}

}  // namespace tidewell::editor
