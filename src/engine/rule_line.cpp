#include "engine/rule_line.h"

#include <array>

#include "store/text.h"

namespace tidewell::engine {

namespace {

std::string openingTag(int n) {
  return "<" + std::to_string(n) + "<";
}
std::string closingTag(int n) {
  return ">" + std::to_string(n) + ">";
}

// The text after the first opening tag up to the first closing tag anywhere in the line. A
// closing tag that comes before the opening one leaves nothing between them.
std::string between(std::string_view line, std::size_t open, std::size_t openLength,
                    std::size_t close) {
  std::size_t start = open + openLength;
  if (close == std::string_view::npos || close < start) return {};
  return std::string(line.substr(start, close - start));
}

}  // namespace

std::string ff_get_field(std::string_view line, int n) {
  std::string open = openingTag(n);
  std::size_t at = line.find(open);
  if (at == std::string_view::npos) return {};
  return between(line, at, open.size(), line.find(closingTag(n)));
}

std::string ff_get_field_editor(std::string_view line, int n) {
  std::size_t close = line.find(closingTag(n));
  if (close == std::string_view::npos) return "!";
  std::string open = openingTag(n);
  std::size_t at = line.find(open);
  if (at == std::string_view::npos) return {};
  return between(line, at, open.size(), close);
}

std::string ff_strip_delimiter(std::string_view text, std::string_view tag) {
  std::string replacement = tag.find('3') != std::string_view::npos ? "\"" : "";
  std::string result;
  std::string folded = store::foldCase(text);
  std::string foldedTag = store::foldCase(tag);
  if (folded.size() != text.size() || tag.empty()) return std::string(text);
  std::size_t from = 0;
  for (std::size_t at = folded.find(foldedTag); at != std::string::npos;
       at = folded.find(foldedTag, from)) {
    result.append(text.substr(from, at - from));
    result += replacement;
    from = at + tag.size();
  }
  result.append(text.substr(from));
  return result;
}

std::string ruleDisplayText(std::string_view line) {
  static const std::array<std::string_view, 8> kTags = {"<1<", ">1>", "<2<", ">2>",
                                                        "<3<", ">3>", "<4<", ">4>"};
  std::string text(line);
  for (std::string_view tag : kTags) text = ff_strip_delimiter(text, tag);
  return text;
}

std::string makeRuleLine(std::string_view spec, std::string_view logic, std::string_view keyword,
                         std::string_view connector) {
  std::string line = "<1<" + std::string(spec) + ">1> <2<" + std::string(logic) + ">2> <3<" +
                     std::string(keyword) + ">3>";
  if (!store::trim(connector).empty()) line += " <4<" + std::string(connector) + ">4>";
  return line;
}

}  // namespace tidewell::engine
