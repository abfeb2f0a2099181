#include "store/profile_document.h"

#include <algorithm>
#include <charconv>

#include "store/error.h"
#include "store/text.h"

namespace tidewell::store {

namespace {

bool hasColon(std::string_view line) {
  return line.find(':') != std::string_view::npos;
}

void requireSingleLine(std::string_view text, std::string_view what) {
  if (containsLineBreak(text)) {
    raise(kBadArgument, std::string(what) + " cannot hold a line break");
  }
}

// Titles name the lists in the TAB-separated logs and journal and in tidewell-cli's output.
void requireTitleWithoutTab(std::string_view key, std::string_view value) {
  if (equalsIgnoreCase(trim(key), "title") && value.find('\t') != std::string_view::npos) {
    raise(kBadArgument, "A title cannot hold a TAB");
  }
}

void requireKey(std::string_view key) {
  if (trim(key).empty()) raise(kBadArgument, "A property key cannot be empty");
  if (hasColon(key)) raise(kBadArgument, "A property key cannot hold a colon");
  requireSingleLine(key, "A property key");
}

// "key: value" of a property line, compared by key and trimmed value without regard to case.
bool propertyEquals(std::string_view line, std::string_view key, std::string_view value) {
  auto lineKey = propertyKey(line);
  return lineKey && equalsIgnoreCase(trim(*lineKey), trim(key)) &&
         equalsIgnoreCase(propertyValue(line), trim(value));
}

bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool isOpeningLine(std::string_view line) {
  return !hasColon(line) && containsIgnoreCase(line, "_properties_start");
}

bool isClosingLine(std::string_view line) {
  return !hasColon(line) && containsIgnoreCase(line, "_properties_end");
}

bool isIndexLine(std::string_view line) {
  return startsWithIgnoreCase(line, "index:");
}

std::optional<int> indexLineNumber(std::string_view line) {
  if (!isIndexLine(line)) return std::nullopt;
  std::string_view digits = trim(line.substr(6));
  int value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::string_view> propertyKey(std::string_view line) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  return line.substr(0, colon);
}

std::string_view propertyValue(std::string_view line) {
  std::size_t colon = line.find(':');
  return colon == std::string_view::npos ? std::string_view() : trim(line.substr(colon + 1));
}

ProfileDocument::ProfileDocument(std::vector<std::string> lines) : m_lines(std::move(lines)) {
  scanBlocks();
}

void ProfileDocument::scanBlocks() {
  m_blocks.clear();
  bool open = false;  // the last block has not met its closing line yet
  for (std::size_t i = 0; i < m_lines.size(); ++i) {
    const std::string& line = m_lines[i];
    if (isIndexLine(line)) {
      m_blocks.push_back(Block{indexLineNumber(line), i, std::nullopt});
      open = true;
    } else if (isClosingLine(line)) {
      if (open) m_blocks.back().closingLine = i;
      open = false;
    } else if (isOpeningLine(line)) {
      open = false;  // a new block starts: an open one never closes
    }
  }
}

std::optional<ProfileDocument::Extent> ProfileDocument::findBlock(int index) const {
  const Block* found = nullptr;
  for (const Block& b : m_blocks) {
    if (b.index != index) continue;
    if (found) {
      raise(kBadFormat, "Block index " + std::to_string(index) + " is used by more than one block");
    }
    found = &b;
  }
  if (!found) return std::nullopt;
  if (!found->closingLine) {
    raise(kBadFormat, "Block " + std::to_string(index) + " has no closing line (line " +
                          std::to_string(found->indexLine + 1) + ")");
  }
  return Extent{found->indexLine, *found->closingLine};
}

bool ProfileDocument::hasBlock(int index) const {
  return std::any_of(m_blocks.begin(), m_blocks.end(),
                     [&](const Block& b) { return b.index == index; });
}

ProfileDocument::Extent ProfileDocument::requireBlock(int index) const {
  auto extent = findBlock(index);
  if (!extent) raise(kNoSuchBlock, "No block has the index " + std::to_string(index));
  return *extent;
}

std::vector<int> ProfileDocument::indexesInTreeOrder() const {
  std::vector<int> order;
  for (int i = 1; hasBlock(i); ++i) order.push_back(i);
  return order;
}

int ProfileDocument::nextFreeIndex() const {
  int i = 1;
  while (hasBlock(i)) ++i;
  return i;
}

std::optional<std::size_t> ProfileDocument::findProperty(const Extent& extent,
                                                         std::string_view key) const {
  for (std::size_t i = extent.indexLine; i <= extent.closingLine; ++i) {
    const std::string& line = m_lines[i];
    if (hasColon(line) && startsWithIgnoreCase(line, key)) return i;
  }
  return std::nullopt;
}

std::string ProfileDocument::get(int index, std::string_view key) const {
  if (key.empty()) return std::string(kAbsent);
  auto extent = findBlock(index);
  if (!extent) return std::string(kAbsent);
  auto line = findProperty(*extent, key);
  if (!line) return std::string(kAbsent);
  std::string_view text = m_lines[*line];
  return text.size() <= key.size() + 1 ? std::string()
                                       : std::string(trim(text.substr(key.size() + 1)));
}

std::string ProfileDocument::getExactKey(int index, std::string_view key) const {
  auto extent = findBlock(index);
  if (!extent) return std::string(kAbsent);
  for (std::size_t i = extent->indexLine; i <= extent->closingLine; ++i) {
    auto lineKey = propertyKey(m_lines[i]);
    if (lineKey && equalsIgnoreCase(trim(*lineKey), key)) {
      return std::string(propertyValue(m_lines[i]));
    }
  }
  return std::string(kAbsent);
}

void ProfileDocument::set(int index, std::string_view key, std::string_view value) {
  requireKey(key);
  requireSingleLine(value, "A property value");
  requireTitleWithoutTab(key, value);
  Extent extent = requireBlock(index);
  std::string line = std::string(key) + ": " + std::string(value);
  if (auto at = findProperty(extent, key)) {
    m_lines[*at] = std::move(line);
    return;  // same line count: the block table stays valid
  }
  m_lines.insert(m_lines.begin() + static_cast<long>(extent.closingLine), std::move(line));
  scanBlocks();
}

void ProfileDocument::deleteKey(int index, std::string_view key) {
  requireKey(key);
  if (equalsIgnoreCase(trim(key), "index")) raise(kBadArgument, "The index line cannot be deleted");
  Extent extent = requireBlock(index);
  auto first = m_lines.begin() + static_cast<long>(extent.indexLine);
  auto last = m_lines.begin() + static_cast<long>(extent.closingLine);
  m_lines.erase(std::remove_if(first, last,
                               [&](const std::string& line) {
                                 auto k = propertyKey(line);
                                 return k && equalsIgnoreCase(trim(*k), trim(key));
                               }),
                last);
  scanBlocks();
}

void ProfileDocument::regenerateKeys(int index, std::string_view stem) {
  requireKey(stem);
  Extent extent = requireBlock(index);
  int counter = 0;
  for (std::size_t i = extent.indexLine + 1; i < extent.closingLine; ++i) {
    std::string& line = m_lines[i];
    auto key = propertyKey(line);
    // Only numbered keys (stem + digits) are renumbered, and only their key part: a value may
    // mention another key's name and must come through unchanged.
    if (!key || !startsWithIgnoreCase(*key, stem) || !allDigits(key->substr(stem.size()))) {
      continue;
    }
    std::size_t keyLength = key->size();
    line = std::string(stem) + std::to_string(++counter) + line.substr(keyLength);
  }
}

bool ProfileDocument::replaceByOldValue(std::string_view newLine, std::string_view oldValue,
                                        int index) {
  requireSingleLine(newLine, "A property line");
  auto key = propertyKey(newLine);
  if (!key || trim(*key).empty()) raise(kBadArgument, "A property line needs a key and a colon");
  std::string keyText(trim(*key));
  std::string newValue(propertyValue(newLine));
  requireTitleWithoutTab(keyText, newValue);
  Extent extent = requireBlock(index);
  bool replaced = false;
  for (std::size_t i = extent.indexLine + 1; i < extent.closingLine; ++i) {
    if (propertyEquals(m_lines[i], keyText, oldValue)) {
      m_lines[i] = std::string(newLine);
      replaced = true;
      break;
    }
  }
  // Children name their parent by title; only a renamed title moves those references.
  if (replaced && equalsIgnoreCase(keyText, "title") && !trim(oldValue).empty()) {
    for (std::string& line : m_lines) {
      if (propertyEquals(line, "parent", oldValue)) line = "parent: " + newValue;
    }
  }
  return replaced;
}

int ProfileDocument::renameRuleReferences(std::string_view oldTitle, std::string_view newTitle) {
  requireSingleLine(newTitle, "A title");
  int changed = 0;
  for (std::string& line : m_lines) {
    if (propertyEquals(line, "rule", oldTitle)) {
      line = "rule: " + std::string(newTitle);
      ++changed;
    }
  }
  return changed;
}

std::pair<std::size_t, std::size_t> ProfileDocument::removalRange(const Extent& extent) const {
  std::size_t first = extent.indexLine;
  if (first > 0 && isOpeningLine(m_lines[first - 1])) --first;
  std::size_t last = extent.closingLine + 1;
  if (last < m_lines.size() && m_lines[last].empty()) ++last;  // the separator after it
  return {first, last};
}

void ProfileDocument::deleteNode(int index) {
  std::vector<Extent> doomed{requireBlock(index)};
  if (equalsIgnoreCase(get(index, "name"), kFilterOpening)) {
    for (int n = index + 1; hasBlock(n) && equalsIgnoreCase(get(n, "name"), kNewsletterOpening);
         ++n) {
      doomed.push_back(requireBlock(n));
    }
  }
  std::vector<std::pair<std::size_t, std::size_t>> ranges;
  ranges.reserve(doomed.size());
  for (const Extent& e : doomed) ranges.push_back(removalRange(e));
  std::sort(ranges.rbegin(), ranges.rend());  // from the end, so earlier positions hold
  for (auto [first, last] : ranges) {
    m_lines.erase(m_lines.begin() + static_cast<long>(first),
                  m_lines.begin() + static_cast<long>(last));
  }
  scanBlocks();
}

void ProfileDocument::renumber() {
  int next = 1;
  for (std::string& line : m_lines) {
    if (isIndexLine(line)) line = "index: " + std::to_string(next++);
  }
  std::vector<std::string> tidy;
  tidy.reserve(m_lines.size());
  for (std::size_t i = 0; i < m_lines.size(); ++i) {
    if (m_lines[i].empty()) {
      bool last = i + 1 == m_lines.size();
      if (last || m_lines[i + 1].empty() || m_lines[i + 1] == "rule_properties_end") continue;
    }
    tidy.push_back(std::move(m_lines[i]));
  }
  m_lines = std::move(tidy);
  scanBlocks();
}

std::optional<std::string> ProfileDocument::findByKind(std::string_view openingLine,
                                                       std::string_view key, int& lineNumber,
                                                       std::string* indexLine) const {
  std::size_t i = lineNumber > 0 ? static_cast<std::size_t>(lineNumber - 1) : 0;
  bool inBlock = !openingLine.empty();
  if (inBlock) {
    while (i < m_lines.size() && !equalsIgnoreCase(m_lines[i], openingLine)) ++i;
    if (i == m_lines.size()) return std::nullopt;
    ++i;
  }
  bool matching = !inBlock;
  bool sawIndex = false;
  for (; i < m_lines.size(); ++i) {
    const std::string& line = m_lines[i];
    if (inBlock && isClosingLine(line)) break;  // the key belongs to this block or to none
    if (!sawIndex && isIndexLine(line)) {
      sawIndex = true;
      matching = true;
      if (indexLine) *indexLine = line;
    }
    if (matching && startsWithIgnoreCase(line, key)) {
      lineNumber = static_cast<int>(i) + 2;
      return std::string(trim(std::string_view(line).substr(key.size())));
    }
  }
  return std::nullopt;
}

bool ProfileDocument::containsLine(std::string_view line) const {
  auto key = propertyKey(line);
  return std::any_of(m_lines.begin(), m_lines.end(), [&](const std::string& candidate) {
    return equalsIgnoreCase(candidate, line) ||
           (key && propertyEquals(candidate, *key, propertyValue(line)));
  });
}

bool ProfileDocument::filterExists(std::string_view title, std::string_view subject) const {
  bool byTitle = !trim(title).empty();
  for (const Block& b : m_blocks) {
    if (!b.index || !b.closingLine) continue;
    Extent extent{b.indexLine, *b.closingLine};
    auto nameLine = findProperty(extent, "name");
    if (!nameLine || !equalsIgnoreCase(propertyValue(m_lines[*nameLine]), kFilterOpening)) continue;
    auto line = findProperty(extent, byTitle ? "title" : "subject");
    if (line &&
        equalsIgnoreCase(propertyValue(m_lines[*line]), byTitle ? trim(title) : trim(subject))) {
      return true;
    }
  }
  return false;
}

void ProfileDocument::insertLines(std::size_t position, const std::vector<std::string>& lines) {
  for (const auto& l : lines) requireSingleLine(l, "A line");
  m_lines.insert(m_lines.begin() + static_cast<long>(std::min(position, m_lines.size())),
                 lines.begin(), lines.end());
  scanBlocks();
}

void ProfileDocument::appendLines(const std::vector<std::string>& lines) {
  insertLines(m_lines.size(), lines);
}

}  // namespace tidewell::store
