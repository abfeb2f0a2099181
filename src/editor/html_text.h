#pragma once
// Escaping of values inserted into generated HTML and links, so that a caption, title or address
// can never break the markup or the query. Stateless.
#include <string>
#include <string_view>

namespace tidewell::editor {

// &, <, >, " and ' as character references.
std::string escapeHtml(std::string_view text);
// Every byte other than letters, digits and "-._~" as %XX.
std::string percentEncode(std::string_view text);

}  // namespace tidewell::editor
