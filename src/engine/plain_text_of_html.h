#pragma once
// The text/plain alternative of an HTML newsletter, for readers and filters that want text:
// the HTML's text with paragraphs and line breaks kept and every link written as
// "text <url>". Parsed with libxml2's forgiving HTML parser. Stateless; any thread.
#include <string>
#include <string_view>

namespace tidewell::engine {

std::string plainTextOfHtml(std::string_view html);

}  // namespace tidewell::engine
