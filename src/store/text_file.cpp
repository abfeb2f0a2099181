#include "store/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "store/error.h"
#include "store/text.h"
#include "store/work_file_writer.h"

namespace tidewell::store {

namespace {

// Owns one file descriptor.
class Descriptor {
 public:
  explicit Descriptor(int fd) : m_fd(fd) {}
  ~Descriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return m_fd; }
  // Closes now, so that a failing close is seen.
  int close() {
    int rc = ::close(m_fd);
    m_fd = -1;
    return rc;
  }

 private:
  int m_fd;
};

void flushFolder(const std::filesystem::path& target) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

void writeAllBytes(int fd, std::string_view data, const std::filesystem::path& path) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      raiseSystemError(errno, "Cannot write " + path.string());
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::filesystem::path workFilePath(const std::filesystem::path& target) {
  std::filesystem::path work = target;
  work += ".bac";
  return work;
}

std::string readFileBytes(const std::filesystem::path& path) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) raiseSystemError(errno, "Cannot open " + path.string());
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) raiseSystemError(errno, "Cannot read " + path.string());
  if (S_ISDIR(info.st_mode)) raise(kPathAccess, path.string() + " is a folder, not a file");
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[1 << 16];
  while (true) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      raiseSystemError(errno, "Cannot read " + path.string());
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

std::string readTextFile(const std::filesystem::path& path) {
  return decodeFileText(readFileBytes(path));
}

std::vector<std::string> readLines(const std::filesystem::path& path) {
  return splitLines(readTextFile(path));
}

void writeWorkFile(const std::filesystem::path& target, std::string_view content) {
  WorkFileWriter writer(target);
  writer.write(content);
  writer.finish();
}

void commitWorkFile(const std::filesystem::path& target) {
  std::filesystem::path work = workFilePath(target);
  if (::rename(work.c_str(), target.c_str()) != 0) {
    int saved = errno;
    ::unlink(work.c_str());
    raiseSystemError(saved, "Cannot replace " + target.string());
  }
  flushFolder(target);
}

void writeFileDurably(const std::filesystem::path& target, std::string_view content) {
  writeWorkFile(target, content);
  commitWorkFile(target);
}

void writeLinesDurably(const std::filesystem::path& target, const std::vector<std::string>& lines) {
  writeFileDurably(target, joinLinesCrLf(lines));
}

int openForAppending(const std::filesystem::path& path) {
  // Read access is only for the look at the last byte; a file writable alone is appended to.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0 && errno == EACCES) {
    fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) errno = EACCES;  // the reason is the refusal, not the file missing
  }
  if (fd < 0) raiseSystemError(errno, "Cannot open " + path.string());
  struct stat info {};
  char last = '\n';
  if (::fstat(fd, &info) == 0 && info.st_size > 0 && ::pread(fd, &last, 1, info.st_size - 1) != 1)
    last = '\n';
  if (last != '\n' && last != '\r') {
    try {
      appendWhole(fd, "\r\n", path);
    } catch (...) {
      ::close(fd);
      throw;
    }
  }
  return fd;
}

void appendWhole(int fd, std::string_view text, const std::filesystem::path& path) {
  struct stat before {};
  if (::fstat(fd, &before) != 0) raiseSystemError(errno, "Cannot write " + path.string());
  std::size_t written = 0;
  while (written < text.size()) {
    ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n >= 0) {
      written += static_cast<std::size_t>(n);
      continue;
    }
    if (errno == EINTR) continue;
    int saved = errno;
    // Cut back only what this call added; another writer's line after it stays.
    struct stat now {};
    if (written > 0 && ::fstat(fd, &now) == 0 &&
        now.st_size == before.st_size + static_cast<off_t>(written)) {
      while (::ftruncate(fd, before.st_size) != 0 && errno == EINTR) {
      }
    }
    raiseSystemError(saved, "Cannot write " + path.string());
  }
}

void appendLine(const std::filesystem::path& path, std::string_view line) {
  Descriptor fd(openForAppending(path));
  std::string text(line);
  text += "\r\n";
  appendWhole(fd.get(), text, path);
  if (fd.close() != 0) raiseSystemError(errno, "Cannot close " + path.string());
}

}  // namespace tidewell::store
