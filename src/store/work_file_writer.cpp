#include "store/work_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "store/error.h"
#include "store/text_file.h"

namespace tidewell::store {

WorkFileWriter::WorkFileWriter(std::filesystem::path target, std::size_t bufferSize)
    : m_target(std::move(target)), m_work(workFilePath(m_target)), m_bufferSize(bufferSize) {
  mode_t mode = 0600;  // profiles hold passwords; the others are private too
  struct stat existing {};
  if (::stat(m_target.c_str(), &existing) == 0) mode = existing.st_mode & 07777;
  ::unlink(m_work.c_str());
  m_fd = ::open(m_work.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (m_fd < 0) raiseSystemError(errno, "Cannot create " + m_work.string());
  m_buffer.reserve(m_bufferSize + 2);
}

WorkFileWriter::~WorkFileWriter() {
  if (m_fd >= 0) {
    ::close(m_fd);
    ::unlink(m_work.c_str());
  }
}

void WorkFileWriter::line(std::string_view text) {
  write(text);
  write("\r\n");
}

void WorkFileWriter::write(std::string_view bytes) {
  if (m_buffer.size() + bytes.size() > m_bufferSize) flush();
  if (bytes.size() > m_bufferSize) {
    writeAllBytes(m_fd, bytes, m_work);
    return;
  }
  m_buffer.append(bytes);
}

void WorkFileWriter::flush() {
  writeAllBytes(m_fd, m_buffer, m_work);
  m_buffer.clear();
}

void WorkFileWriter::finish() {
  flush();
  if (::fsync(m_fd) != 0) raiseSystemError(errno, "Cannot flush " + m_work.string());
  int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0) {
    int saved = errno;
    ::unlink(m_work.c_str());
    raiseSystemError(saved, "Cannot close " + m_work.string());
  }
}

void WorkFileWriter::commit() {
  finish();
  commitWorkFile(m_target);
}

}  // namespace tidewell::store
