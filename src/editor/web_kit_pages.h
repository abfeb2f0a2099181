#pragma once
// The pages of the web kit (web/ in the source tree), built into the program so it can write
// the kit for any profile.
#include <string_view>
#include <vector>

namespace tidewell::editor {

struct WebKitPage {
  std::string_view fileName;
  std::string_view text;
};

const std::vector<WebKitPage>& webKitPages();

}  // namespace tidewell::editor
