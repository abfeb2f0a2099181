#pragma once
// One writer per profile: whoever changes a profile or its subscribers holds an advisory lock
// (flock) on "<title>.lock" beside the profile. The file names the holder (program, process id,
// start time) so that a second writer can say who it waits for. The lock dies with its
// process, so a crash never leaves the profile locked; the file itself stays (removing it
// would let two processes lock two different files of one name). Qt-free; one thread.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace tidewell::store {

struct LockHolder {
  std::string program;  // "Tidewell", "tidewell-cli send", ...
  long processId = 0;
  std::string since;  // "2026-12-07 21:40:02"
};

class ProfileLock {
 public:
  // The lock of the profile at this path: its title (read from the profile) names the file, or
  // the profile's file name when it has no usable title. Raises when the profile cannot be read.
  static std::filesystem::path lockPathOf(const std::filesystem::path& profilePath);

  ProfileLock() = default;
  ~ProfileLock() { release(); }
  ProfileLock(const ProfileLock&) = delete;
  ProfileLock& operator=(const ProfileLock&) = delete;
  ProfileLock(ProfileLock&& other) noexcept;
  ProfileLock& operator=(ProfileLock&& other) noexcept;

  // Takes the lock of the profile for program, trying again until wait has passed (or stop is
  // set). False when another process holds it: refusal then names the holder ("Gold is open in
  // Tidewell, process 1234 since ..."). Raises when the lock file cannot be opened.
  bool acquire(const std::filesystem::path& profilePath, const std::string& program,
               std::chrono::milliseconds wait, std::string& refusal,
               const std::atomic<bool>* stop = nullptr);
  void release();
  bool held() const { return m_fd >= 0; }
  const std::filesystem::path& path() const { return m_path; }

  // Who holds the lock file now, as its text says; nothing when it names nobody.
  static std::optional<LockHolder> holderOf(const std::filesystem::path& lockPath);

 private:
  void writeHolder(const std::string& program);

  int m_fd = -1;
  std::filesystem::path m_path;
};

// "Gold is open in Tidewell, process 1234 (since 2026-12-07 21:40:02)".
std::string lockRefusal(const std::string& title, const std::optional<LockHolder>& holder);

}  // namespace tidewell::store
