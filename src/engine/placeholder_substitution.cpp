#include "engine/placeholder_substitution.h"

#include "store/text.h"

namespace tidewell::engine {

namespace {

// Finds needle in text from `from` in the given mode. Folding keeps the length of the text for
// every letter it folds; should a text ever fold to another length, the exact search is used.
class Finder {
 public:
  Finder(const std::string& text, NameComparison comparison)
      : m_text(text), m_ignoreCase(comparison == NameComparison::kIgnoreCase) {
    if (m_ignoreCase) {
      m_folded = store::foldCase(text);
      if (m_folded.size() != text.size()) m_ignoreCase = false;
    }
  }

  std::size_t find(std::string_view needle, std::size_t from) const {
    if (!m_ignoreCase) return m_text.find(needle, from);
    return m_folded.find(store::foldCase(needle), from);
  }

 private:
  const std::string& m_text;
  std::string m_folded;
  bool m_ignoreCase;
};

std::size_t countOccurrences(const std::string& text, std::string_view delimiter,
                             NameComparison comparison) {
  Finder finder(text, comparison);
  std::size_t count = 0;
  for (std::size_t at = finder.find(delimiter, 0); at != std::string::npos;
       at = finder.find(delimiter, at + delimiter.size())) {
    ++count;
  }
  return count;
}

// One pass: the first two delimiters left in the text enclose the name to replace. False when
// no pair is left (values may have taken delimiters out of the count).
bool replaceFirstPlaceholder(std::string& text, std::string_view delimiter,
                             NameComparison comparison, const FieldLookup& lookup) {
  Finder finder(text, comparison);
  std::size_t a = finder.find(delimiter, 0);
  if (a == std::string::npos) return false;
  std::size_t nameStart = a + delimiter.size();
  std::size_t b = finder.find(delimiter, nameStart);
  if (b == std::string::npos) return false;
  std::string name = text.substr(nameStart, b - nameStart);
  std::string placeholder = std::string(delimiter) + name + std::string(delimiter);
  std::size_t at = finder.find(placeholder, 0);
  if (at == std::string::npos) return false;
  text.replace(at, placeholder.size(), lookup(name));
  return true;
}

std::string substituteByPasses(std::string text, std::size_t passes, std::string_view delimiter,
                               NameComparison comparison, const FieldLookup& lookup) {
  for (std::size_t pass = 0; pass < passes; ++pass) {
    if (!replaceFirstPlaceholder(text, delimiter, comparison, lookup)) break;
  }
  return text;
}

// The common case of newsletters: an exact one-character delimiter. While no value holds the
// delimiter, the text before a replaced placeholder never changes again, so the result is built
// in one sweep; the first value that holds it hands the rest over to the pass-by-pass loop.
std::string substituteInOneSweep(std::string_view text, std::size_t passes, char delimiter,
                                 const FieldLookup& lookup) {
  std::string out;
  out.reserve(text.size() + 64);
  std::size_t pos = 0;
  for (std::size_t pass = 0; pass < passes; ++pass) {
    std::size_t a = text.find(delimiter, pos);
    std::size_t b = a == std::string_view::npos ? a : text.find(delimiter, a + 1);
    if (b == std::string_view::npos) break;
    std::string value = lookup(text.substr(a + 1, b - a - 1));
    out.append(text.substr(pos, a - pos));
    pos = b + 1;
    if (value.find(delimiter) != std::string::npos) {
      std::string rest = out + value + std::string(text.substr(pos));
      return substituteByPasses(std::move(rest), passes - pass - 1, std::string_view(&delimiter, 1),
                                NameComparison::kExact, lookup);
    }
    out += value;
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace

std::string substitutePlaceholders(std::string_view templateText, std::string_view delimiter,
                                   NameComparison comparison, const FieldLookup& lookup) {
  std::string text(templateText);
  if (delimiter.empty()) return text;
  std::size_t passes = countOccurrences(text, delimiter, comparison) / 2;
  if (passes == 0) return text;
  if (comparison == NameComparison::kExact && delimiter.size() == 1) {
    return substituteInOneSweep(templateText, passes, delimiter[0], lookup);
  }
  return substituteByPasses(std::move(text), passes, delimiter, comparison, lookup);
}

}  // namespace tidewell::engine
