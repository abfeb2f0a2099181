#include "store/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/error.h"
#include "store/text.h"

namespace tidewell::store {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Eight bytes at a time: subscriber files are mostly ASCII.
bool isAscii(std::string_view text) {
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    if (word & 0x8080808080808080ULL) return false;
  }
  for (; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  }
  return true;
}

}  // namespace

LineReader::LineReader(const std::filesystem::path& path, std::size_t bufferSize)
    : m_path(path), m_buffer(bufferSize < 16 ? 16 : bufferSize) {
  m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (m_fd < 0) raiseSystemError(errno, "Cannot open " + path.string());
  struct stat info {};
  if (::fstat(m_fd, &info) != 0) {
    int saved = errno;
    ::close(m_fd);
    raiseSystemError(saved, "Cannot read " + path.string());
  }
  if (S_ISDIR(info.st_mode)) {
    ::close(m_fd);
    raise(kPathAccess, path.string() + " is a folder, not a file");
  }
  m_fileSize = static_cast<std::uint64_t>(info.st_size);
}

LineReader::~LineReader() {
  if (m_fd >= 0) ::close(m_fd);
}

bool LineReader::fill() {
  if (m_eof) return false;
  if (m_begin > 0) {
    std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
    m_end -= m_begin;
    m_begin = 0;
  }
  if (m_end == m_buffer.size()) m_buffer.resize(m_buffer.size() * 2);
  while (true) {
    ssize_t n = ::read(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end);
    if (n < 0) {
      if (errno == EINTR) continue;
      raiseSystemError(errno, "Cannot read " + m_path.string());
    }
    if (n == 0) {
      m_eof = true;
      return false;
    }
    m_end += static_cast<std::size_t>(n);
    return true;
  }
}

bool LineReader::next(std::string_view& line) {
  std::size_t searched = m_begin;
  while (true) {
    if (!m_started && m_end - m_begin >= kByteOrderMark.size()) {
      m_started = true;
      if (std::string_view(m_buffer.data() + m_begin, kByteOrderMark.size()) == kByteOrderMark) {
        m_begin += 3;
        m_consumed += 3;
        searched = m_begin;
      }
    }
    const char* start = m_buffer.data() + searched;
    const void* lf = std::memchr(start, '\n', m_end - searched);
    if (lf) {
      std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - m_buffer.data());
      std::size_t stop = (at > m_begin && m_buffer[at - 1] == '\r') ? at - 1 : at;
      line = std::string_view(m_buffer.data() + m_begin, stop - m_begin);
      m_started = true;
      m_consumed += at + 1 - m_begin;
      m_begin = at + 1;
      return true;
    }
    std::size_t searchedFromBegin = m_end - m_begin;
    if (!fill()) break;
    searched = m_begin + searchedFromBegin;
  }
  m_started = true;
  if (m_begin == m_end) return false;
  // The last line has no line end.
  line = std::string_view(m_buffer.data() + m_begin, m_end - m_begin);
  m_consumed += m_end - m_begin;
  m_begin = m_end;
  return true;
}

std::string_view decodeLine(std::string_view line, std::string& scratch) {
  if (isAscii(line) || isValidUtf8(line)) return line;
  scratch = windows1252ToUtf8(line);
  return scratch;
}

}  // namespace tidewell::store
