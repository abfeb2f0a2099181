#pragma once
// Writes a large file in buffered pieces through its work file (path + ".bac"), flushed and
// renamed over the target on commit(); without commit() the target stays as it was. Failures
// raise TrapError. One thread.

#include <filesystem>
#include <string>
#include <string_view>

namespace tidewell::store {

class WorkFileWriter {
 public:
  // Replaces a work file left by an interrupted change.
  explicit WorkFileWriter(std::filesystem::path target, std::size_t bufferSize = 1 << 20);
  ~WorkFileWriter();
  WorkFileWriter(const WorkFileWriter&) = delete;
  WorkFileWriter& operator=(const WorkFileWriter&) = delete;

  // Appends the text and CR LF.
  void line(std::string_view text);
  // Appends bytes as they are.
  void write(std::string_view bytes);
  // Flushes the work file to disk and closes it, leaving the target as it was.
  void finish();
  // finish(), then puts the work file in the place of the target.
  void commit();

 private:
  void flush();

  std::filesystem::path m_target;
  std::filesystem::path m_work;
  int m_fd = -1;
  std::string m_buffer;
  std::size_t m_bufferSize;
};

}  // namespace tidewell::store
