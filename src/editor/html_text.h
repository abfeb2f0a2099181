#pragma once
// Escaping of values inserted into generated HTML and links, so that a caption, title or address
// can never break the markup or the query. Stateless.
#include <string>
#include <string_view>

#include "store/text.h"

namespace tidewell::editor {

// &, <, >, " and ' as character references.
std::string escapeHtml(std::string_view text);
using store::percentEncode;

}  // namespace tidewell::editor
