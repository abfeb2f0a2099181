#pragma once
// The text of a profile (or settings) file as lines, with the block rules of the file form:
// which lines open, number and close a block, how a property is found by key, and every
// change the store makes. It does no I/O; ProfileStore reads and commits it. Malformed blocks
// (no closing line, an index used twice) raise TrapError instead of touching a neighbour.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidewell::store {

// The value every reader returns for an absent property.
inline constexpr std::string_view kAbsent = "!";
inline bool isAbsentOrEmpty(std::string_view value) {
  return value.empty() || value == kAbsent;
}

// The fixed blocks every profile holds, addressed by index, and the block of a settings file.
inline constexpr int kProgramBlock = 0;
inline constexpr int kUserBlock = 1;
inline constexpr int kServerBlock = 2;
inline constexpr int kNewslettersBlock = 3;
inline constexpr int kFiltersBlock = 4;

// The opening lines (and name values) of filter and newsletter blocks.
inline constexpr std::string_view kFilterOpening = "rule_properties_start";
inline constexpr std::string_view kNewsletterOpening = "newsletter_properties_start";

class ProfileDocument {
 public:
  ProfileDocument() = default;
  explicit ProfileDocument(std::vector<std::string> lines);

  const std::vector<std::string>& lines() const { return m_lines; }

  // Lines of a block: its index line up to its closing line.
  struct Extent {
    std::size_t indexLine = 0;
    std::size_t closingLine = 0;
  };
  // The extent of block `index`; nullopt when no block carries it. Raises when the block has
  // no closing line or the index is not unique.
  std::optional<Extent> findBlock(int index) const;
  bool hasBlock(int index) const;
  // Block indexes 1, 2, 3, ... up to the first one that no block carries (the tree's order).
  std::vector<int> indexesInTreeOrder() const;
  // How many blocks the file holds, including blocks out of the tree's reach.
  std::size_t blockCount() const { return m_blocks.size(); }
  // The first index from 1 that no block carries: where a new tree node goes.
  int nextFreeIndex() const;

  // Value of the first property line of the block that begins with key, trimmed; "!" when the
  // block or the key is absent.
  std::string get(int index, std::string_view key) const;
  // Value of the property whose key is exactly key (letter case ignored), not a longer key
  // that begins with it; "!" when absent.
  std::string getExactKey(int index, std::string_view key) const;
  // Sets the property, appending it as the block's last property when it is missing. Raises
  // for a line break in the key or value, and for a TAB in a title (here and below).
  void set(int index, std::string_view key, std::string_view value);
  // Removes the block's property lines whose key is exactly key (letter case ignored).
  void deleteKey(int index, std::string_view key);
  // Renumbers the keys stem1, stem2, ... of the block from 1 in file order.
  void regenerateKeys(int index, std::string_view stem);
  // Replaces the block's line "key: oldValue" by newLine ("key: value"). When the key is
  // title, every parent reference to the old title follows. False when no line matched.
  bool replaceByOldValue(std::string_view newLine, std::string_view oldValue, int index);
  // Rewrites every "rule: oldTitle" line to name newTitle; returns how many changed.
  int renameRuleReferences(std::string_view oldTitle, std::string_view newTitle);
  // Removes the block; a filter takes with it the newsletter blocks whose indexes follow it.
  void deleteNode(int index);
  // Numbers the blocks 1, 2, 3, ... in file order and tidies the empty lines.
  void renumber();

  // The older kind-based reader: from line number (1-based, 0 = top) find the opening line,
  // then the first line of that block beginning with key (given with its colon). Returns the
  // value and sets lineNumber past the match; nullopt when nothing matched.
  std::optional<std::string> findByKind(std::string_view openingLine, std::string_view key,
                                        int& lineNumber, std::string* indexLine) const;
  // True when some line equals line, letter case ignored ("title: X" also matches
  // "title:X" with other blanks around the value).
  bool containsLine(std::string_view line) const;
  // True when a filter block has the title, or, for an empty title, the subject.
  bool filterExists(std::string_view title, std::string_view subject) const;

  void insertLines(std::size_t position, const std::vector<std::string>& lines);
  void appendLines(const std::vector<std::string>& lines);

 private:
  struct Block {
    std::optional<int> index;  // none when the index line's number is unreadable
    std::size_t indexLine = 0;
    std::optional<std::size_t> closingLine;  // none when the block is not closed
  };
  void scanBlocks();
  Extent requireBlock(int index) const;
  std::optional<std::size_t> findProperty(const Extent& extent, std::string_view key) const;
  // Line range [first, last) that removing the block takes out of the file.
  std::pair<std::size_t, std::size_t> removalRange(const Extent& extent) const;

  std::vector<std::string> m_lines;
  std::vector<Block> m_blocks;  // in file order
};

// Line classification shared with the readers of the file form.
bool isOpeningLine(std::string_view line);
bool isClosingLine(std::string_view line);
// A line that numbers a block: it begins with "index:".
bool isIndexLine(std::string_view line);
// The block number an index line carries; nullopt for any other line or an unreadable number.
std::optional<int> indexLineNumber(std::string_view line);
// Key of a property line (the text before the first colon), or nullopt without a colon.
std::optional<std::string_view> propertyKey(std::string_view line);
std::string_view propertyValue(std::string_view line);

}  // namespace tidewell::store
