#include "engine/send_rate.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "store/error.h"
#include "store/text.h"
#include "store/text_file.h"
#include "store/utilities.h"

namespace tidewell::engine {

namespace {

constexpr std::int64_t kMinute = 60;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;

int capOf(const store::ProfileDocument& profile, std::string_view key) {
  return wholeNumberSetting(profile, store::kServerBlock, key);
}

}  // namespace

int wholeNumberSetting(const store::ProfileDocument& profile, int block, std::string_view key) {
  std::string value = profile.getExactKey(block, key);
  std::string_view text = store::trim(value);
  int number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size() && number > 0 ? number : 0;
}

SendCaps SendCaps::of(const store::ProfileDocument& profile) {
  return {capOf(profile, "capminute"), capOf(profile, "caphour"), capOf(profile, "capday")};
}

SendRate::~SendRate() {
  if (m_fd >= 0) ::close(m_fd);
}

void SendRate::load(std::int64_t now) {
  std::lock_guard lock(m_mutex);
  m_times.clear();
  if (store::FileExist(m_path)) {
    for (const std::string& line : store::readLines(m_path)) {
      std::int64_t when = 0;
      auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), when);
      if (error == std::errc() && when > now - kDay && when <= now) m_times.push_back(when);
    }
  }
  std::sort(m_times.begin(), m_times.end());
  std::string kept;
  for (std::int64_t when : m_times) kept += std::to_string(when) + "\r\n";
  store::writeFileDurably(m_path, kept);
}

bool SendRate::append(std::int64_t when, std::string* problem) {
  std::lock_guard lock(m_mutex);
  m_times.push_back(when);
  const std::string line = std::to_string(when) + "\r\n";
  try {
    if (m_fd < 0) m_fd = store::openForAppending(m_path);
    store::appendWhole(m_fd, line, m_path);
  } catch (...) {
    if (problem) *problem = store::currentError().description;
    return false;
  }
  return true;
}

std::size_t SendRate::sendsSince(std::int64_t from) const {
  return static_cast<std::size_t>(m_times.end() -
                                  std::upper_bound(m_times.begin(), m_times.end(), from));
}

std::size_t SendRate::room(const SendCaps& caps, std::int64_t now) const {
  std::lock_guard lock(m_mutex);
  std::size_t room = static_cast<std::size_t>(-1);
  const std::pair<int, std::int64_t> windows[] = {
      {caps.perDay, kDay}, {caps.perHour, kHour}, {caps.perMinute, kMinute}};
  for (auto [cap, length] : windows) {
    if (cap <= 0) continue;
    std::size_t used = sendsSince(now - length);
    room = std::min(room, used >= static_cast<std::size_t>(cap) ? 0 : cap - used);
  }
  return room;
}

std::string SendRate::capReached(const SendCaps& caps, std::int64_t now) const {
  std::lock_guard lock(m_mutex);
  struct Window {
    int cap;
    std::int64_t length;
    const char* text;
  };
  const Window windows[] = {
      {caps.perDay, kDay, "Sending paused: daily limit reached"},
      {caps.perHour, kHour, "Sending paused: hourly limit reached"},
      {caps.perMinute, kMinute, "Sending paused: limit per minute reached"},
  };
  for (const Window& w : windows) {
    if (w.cap > 0 && sendsSince(now - w.length) >= static_cast<std::size_t>(w.cap)) return w.text;
  }
  return {};
}

}  // namespace tidewell::engine
