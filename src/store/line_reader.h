#pragma once
// Reads a text file line by line through a fixed buffer, so that a file of hundreds of megabytes
// is never held whole. Lines end with CR LF, LF or a CR alone; a UTF-8 byte order mark at the start
// is skipped. A line longer than the buffer grows it. Failures raise TrapError. One thread.

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace tidewell::store {

class LineReader {
 public:
  explicit LineReader(const std::filesystem::path& path, std::size_t bufferSize = 1 << 20);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its line end; false after the last one. The view is valid until the
  // next call.
  bool next(std::string_view& line);
  std::uint64_t fileSize() const { return m_fileSize; }
  // Bytes of the file handed out so far, for progress.
  std::uint64_t bytesRead() const { return m_consumed; }

 private:
  // Moves the unread rest to the front and reads more after it; false at the end of the file.
  bool fill();
  // Hands out the line from m_begin to at and steps over its line end.
  bool takeLine(std::size_t at, std::size_t endLength, std::string_view& line);

  std::filesystem::path m_path;
  int m_fd = -1;
  std::vector<char> m_buffer;
  std::size_t m_begin = 0;
  std::size_t m_end = 0;
  bool m_eof = false;
  bool m_started = false;
  std::uint64_t m_fileSize = 0;
  std::uint64_t m_consumed = 0;
};

// The line as UTF-8: a line that is not valid UTF-8 is read as Windows-1252. `scratch` holds a
// converted line; the result views either the line or scratch.
std::string_view decodeLine(std::string_view line, std::string& scratch);

}  // namespace tidewell::store
