#include "stats/line_blocks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "store/date_text.h"

namespace tidewell::stats {

namespace {

constexpr std::size_t kBlock = 4 << 20;

}  // namespace

LineBlocks::LineBlocks(const std::filesystem::path& path)
    : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
  if (m_fd < 0) return;
  ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  m_buffer.reset(new char[kBlock]);
  m_size = kBlock;
}

LineBlocks::~LineBlocks() {
  if (m_fd >= 0) ::close(m_fd);
}

bool LineBlocks::next(std::string_view& block) {
  if (m_fd < 0 || m_ended) return false;
  // What the last block left unfinished begins this one.
  m_kept = m_filled - m_next;
  std::memmove(m_buffer.get(), m_buffer.get() + m_next, m_kept);
  m_filled = m_kept;
  for (;;) {
    if (m_filled == m_size) {
      std::unique_ptr<char[]> larger(new char[m_size * 2]);
      std::memcpy(larger.get(), m_buffer.get(), m_filled);
      m_buffer = std::move(larger);
      m_size *= 2;
    }
    ssize_t got = ::read(m_fd, m_buffer.get() + m_filled, m_size - m_filled);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      // The end (or a read error): the last line, if it has no end of its own.
      m_ended = true;
      block = std::string_view(m_buffer.get(), m_filled);
      m_next = m_filled;
      return m_filled > 0;
    }
    std::size_t before = m_filled;
    m_filled += static_cast<std::size_t>(got);
    const void* last = ::memrchr(m_buffer.get() + before, '\n', m_filled - before);
    if (!last) continue;  // no line ends yet: read on
    m_next = static_cast<std::size_t>(static_cast<const char*>(last) - m_buffer.get()) + 1;
    block = std::string_view(m_buffer.get(), m_next);
    return true;
  }
}

std::size_t splitTabs(std::string_view line, std::string_view* fields, std::size_t most) {
  std::size_t count = 0;
  std::size_t from = 0;
  while (count < most) {
    std::size_t tab = line.find('\t', from);
    fields[count++] = line.substr(from, tab == std::string_view::npos ? tab : tab - from);
    if (tab == std::string_view::npos) break;
    from = tab + 1;
  }
  return count;
}

namespace {

// Digits only, at most `most` of them; false when there are none or something else.
bool readNumber(std::string_view text, int most, int& value) {
  if (text.empty() || static_cast<int>(text.size()) > most) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// The day of the text without the cache of dayNumberOf.
bool readDayNumber(std::string_view text, std::int32_t& day);

}  // namespace

bool dayNumberOf(std::string_view text, std::int32_t& day) {
  // Logs are written in date order: the date of the line before is most often this one's.
  thread_local char lastText[16];
  thread_local std::size_t lastSize = 0;
  thread_local std::int32_t lastDay = 0;
  if (lastSize > 0 && text.size() == lastSize &&
      std::memcmp(text.data(), lastText, lastSize) == 0) {
    day = lastDay;
    return true;
  }
  if (!readDayNumber(text, day)) return false;
  if (text.size() <= sizeof lastText) {
    std::memcpy(lastText, text.data(), text.size());
    lastSize = text.size();
    lastDay = day;
  }
  return true;
}

namespace {

bool readDayNumber(std::string_view text, std::int32_t& day) {
  // The written form first, without the general reader's allocations.
  std::size_t first = text.find('/');
  std::size_t second = first == std::string_view::npos ? first : text.find('/', first + 1);
  store::Date date;
  if (second != std::string_view::npos && readNumber(text.substr(0, first), 2, date.month) &&
      readNumber(text.substr(first + 1, second - first - 1), 2, date.day) &&
      readNumber(text.substr(second + 1), 4, date.year) && store::isValidDate(date)) {
    day = store::toDayNumber(date);
    return true;
  }
  std::optional<store::Date> parsed = store::parseDate(text);
  if (!parsed) return false;
  day = store::toDayNumber(*parsed);
  return true;
}

}  // namespace

}  // namespace tidewell::stats
