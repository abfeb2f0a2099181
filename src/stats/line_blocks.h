#pragma once
// Reads a file line by line in large blocks: no allocation and no indirect call per line,
// CR LF and LF both end a line, a last line without an end is still a line. Used by the
// statistics readers, which go over files of millions of lines. Any thread.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

namespace tidewell::stats {

// The file in blocks of whole lines. A line longer than the block makes the block grow.
class LineBlocks {
 public:
  explicit LineBlocks(const std::filesystem::path& path);
  ~LineBlocks();
  LineBlocks(const LineBlocks&) = delete;
  LineBlocks& operator=(const LineBlocks&) = delete;

  bool isOpen() const { return m_fd >= 0; }
  // The next lines, each ended by LF except perhaps the file's last; false at the end.
  bool next(std::string_view& block);

 private:
  int m_fd;
  // Not a vector: zero-filling megabytes for every file would cost as much as reading them.
  std::unique_ptr<char[]> m_buffer;
  std::size_t m_size = 0;
  std::size_t m_kept = 0;  // bytes of an unfinished line moved to the buffer's start
  std::size_t m_next = 0;  // where the unfinished line begins before it is moved
  std::size_t m_filled = 0;
  bool m_ended = false;
};

// Calls eachLine(std::string_view) with every line, without its end. False when the file cannot
// be opened (a missing file is none).
template <typename EachLine>
bool forEachLine(const std::filesystem::path& path, EachLine&& eachLine) {
  LineBlocks blocks(path);
  if (!blocks.isOpen()) return false;
  std::string_view block;
  while (blocks.next(block)) {
    const char* p = block.data();
    const char* const end = p + block.size();
    while (p < end) {
      const char* newline =
          static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
      const char* lineEnd = newline ? newline : end;
      const char* textEnd = lineEnd > p && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
      eachLine(std::string_view(p, static_cast<std::size_t>(textEnd - p)));
      p = newline ? newline + 1 : end;
    }
  }
  return true;
}

// The TAB-separated fields of a line, at most `most`; extra fields at the end are left out.
// Returns the number of fields found.
std::size_t splitTabs(std::string_view line, std::string_view* fields, std::size_t most);

// Day number (days since 1970-01-01) of a date text as the program writes it (M/d/yyyy), or as
// the store reads otherwise; false when the text is no date.
bool dayNumberOf(std::string_view text, std::int32_t& day);

}  // namespace tidewell::stats
