#pragma once
// The profile's caps on messages per minute, hour and day, and the sends of the last day they
// are counted against, kept in "<title>.rate" beside the profile (one time per line, seconds
// since 1970) so the caps hold across passes and program starts. Loaded and pruned by the
// thread that owns the table at the start of a pass; append is called on the transfer thread.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>

#include "store/profile_document.h"

namespace tidewell::engine {

// A whole number of a profile setting; absent, negative or unreadable: 0.
int wholeNumberSetting(const store::ProfileDocument& profile, int block, std::string_view key);

// Keys "capminute", "caphour", "capday" of the server settings block; absent or 0: no cap.
struct SendCaps {
  int perMinute = 0;
  int perHour = 0;
  int perDay = 0;
  static SendCaps of(const store::ProfileDocument& profile);
};

class SendRate {
 public:
  explicit SendRate(std::filesystem::path path) : m_path(std::move(path)) {}
  ~SendRate();
  SendRate(const SendRate&) = delete;
  SendRate& operator=(const SendRate&) = delete;

  // Reads the file and rewrites it with the sends of the last day before now only.
  void load(std::int64_t now);
  // One accepted message at `when`; false with the reason when the file could not take it.
  bool append(std::int64_t when, std::string* problem);
  // "Sending paused: ..." for the first cap the sends up to now reached, or empty.
  std::string capReached(const SendCaps& caps, std::int64_t now) const;
  // How many more messages the caps allow at now (the most a batch may take).
  std::size_t room(const SendCaps& caps, std::int64_t now) const;

 private:
  std::size_t sendsSince(std::int64_t from) const;

  std::filesystem::path m_path;
  mutable std::mutex m_mutex;
  std::deque<std::int64_t> m_times;  // rising
  int m_fd = -1;
};

}  // namespace tidewell::engine
