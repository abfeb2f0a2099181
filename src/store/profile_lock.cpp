#include "store/profile_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <thread>

#include "store/error.h"
#include "store/profile_document.h"
#include "store/text_file.h"
#include "store/utilities.h"

namespace tidewell::store {

namespace {

// The title names the files beside the profile; a profile without a usable one (or none at
// all yet) has no such files, and its own file name names the lock.
std::string titleOf(const std::filesystem::path& profilePath) {
  std::string title;
  if (FileExist(profilePath))
    title = ProfileDocument(readLines(profilePath)).get(kUserBlock, "title");
  if (title == kAbsent || title.empty() || title.find('/') != std::string::npos || title == "." ||
      title == "..") {
    return profilePath.stem().string();
  }
  return title;
}

std::string nowText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

constexpr auto kRetryEvery = std::chrono::milliseconds(100);

}  // namespace

std::filesystem::path ProfileLock::lockPathOf(const std::filesystem::path& profilePath) {
  return std::filesystem::absolute(profilePath).parent_path() / (titleOf(profilePath) + ".lock");
}

ProfileLock::ProfileLock(ProfileLock&& other) noexcept
    : m_fd(other.m_fd), m_path(std::move(other.m_path)) {
  other.m_fd = -1;
}

ProfileLock& ProfileLock::operator=(ProfileLock&& other) noexcept {
  if (this != &other) {
    release();
    m_fd = other.m_fd;
    m_path = std::move(other.m_path);
    other.m_fd = -1;
  }
  return *this;
}

bool ProfileLock::acquire(const std::filesystem::path& profilePath, const std::string& program,
                          std::chrono::milliseconds wait, std::string& refusal,
                          const std::atomic<bool>* stop) {
  release();
  const std::filesystem::path path = lockPathOf(profilePath);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) raiseSystemError(errno, "The profile's lock file " + path.string());
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK || errno == EINTR;
    if (!busy || std::chrono::steady_clock::now() >= deadline || (stop && *stop)) {
      const int error = errno;
      ::close(fd);
      if (!busy) raiseSystemError(error, "The profile's lock file " + path.string());
      refusal = lockRefusal(path.stem().string(), holderOf(path));
      return false;
    }
    std::this_thread::sleep_for(kRetryEvery);
  }
  m_fd = fd;
  m_path = path;
  writeHolder(program);
  return true;
}

void ProfileLock::writeHolder(const std::string& program) {
  std::ostringstream text;
  text << program << '\t' << ::getpid() << '\t' << nowText() << '\n';
  // The text is only what a refused writer shows: failing to write it leaves the lock held.
  if (::ftruncate(m_fd, 0) == 0) {
    try {
      writeAllBytes(m_fd, text.str(), m_path);
    } catch (...) {
    }
  }
}

void ProfileLock::release() {
  if (m_fd < 0) return;
  // The holder's line goes first, so nobody is named who no longer holds it.
  (void)!::ftruncate(m_fd, 0);
  ::flock(m_fd, LOCK_UN);
  ::close(m_fd);
  m_fd = -1;
}

std::optional<LockHolder> ProfileLock::holderOf(const std::filesystem::path& lockPath) {
  std::string text;
  try {
    text = readFileBytes(lockPath);
  } catch (...) {
    return std::nullopt;
  }
  std::istringstream line(text);
  LockHolder holder;
  std::string pid;
  if (!std::getline(line, holder.program, '\t') || !std::getline(line, pid, '\t') ||
      !std::getline(line, holder.since)) {
    return std::nullopt;
  }
  holder.processId = std::atol(pid.c_str());
  if (holder.program.empty() || holder.processId <= 0) return std::nullopt;
  return holder;
}

std::string lockRefusal(const std::string& title, const std::optional<LockHolder>& holder) {
  if (!holder) return title + " is open in another program";
  return title + " is open in " + holder->program + ", process " +
         std::to_string(holder->processId) + " (since " + holder->since + ")";
}

}  // namespace tidewell::store
