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
    std::size_t length = m_end - searched;
    const void* lf = std::memchr(start, '\n', length);
    std::size_t lfAt = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : length;
    // A CR not followed by LF ends a line too (files of old Mac editors).
    const void* cr = std::memchr(start, '\r', lfAt);
    if (cr) {
      std::size_t at = static_cast<std::size_t>(static_cast<const char*>(cr) - m_buffer.data());
      bool crLf = at + 1 < m_end && m_buffer[at + 1] == '\n';
      if (at + 1 < m_end || m_eof) return takeLine(at, crLf ? 2 : 1, line);
    } else if (lf) {
      return takeLine(searched + lfAt, 1, line);
    }
    std::size_t searchedFromBegin = m_end - m_begin;
    if (cr) searchedFromBegin -= 1;  // the CR is looked at again once its next byte is known
    bool more = fill();
    searched = m_begin + searchedFromBegin;
    if (!more && !cr) break;
  }
  m_started = true;
  if (m_begin == m_end) return false;
  // The last line has no line end.
  line = std::string_view(m_buffer.data() + m_begin, m_end - m_begin);
  m_consumed += m_end - m_begin;
  m_begin = m_end;
  return true;
}

bool LineReader::takeLine(std::size_t at, std::size_t endLength, std::string_view& line) {
  line = std::string_view(m_buffer.data() + m_begin, at - m_begin);
  m_started = true;
  m_consumed += at + endLength - m_begin;
  m_begin = at + endLength;
  return true;
}

std::string_view decodeLine(std::string_view line, std::string& scratch) {
  if (isAscii(line) || isValidUtf8(line)) return line;
  scratch = windows1252ToUtf8(line);
  return scratch;
}

}  // namespace tidewell::store
