#include "support/test_support.h"

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <random>
#include <sstream>

#include "store/text.h"

namespace tidewell::testing {

TempFolder::TempFolder() {
  std::random_device random;
  auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("tidewell-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      m_path = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(m_path, ignored);
}

bool RecordingOperator::askYesNo(const std::string& question, const std::string& caption) {
  questions.push_back({question, caption});
  if (answers.empty()) return false;
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

std::vector<std::string> TrapFixture::logLines() const {
  return readLines(trap.logPath());
}

std::string TaggingCipher::encipher(const std::string& text, const std::string& date) {
  return text.empty() ? "" : "ENC(" + text + "," + date + ")";
}

std::string TaggingCipher::decipher(const std::string& stored, const std::string& date) {
  std::string prefix = "ENC(";
  std::string suffix = "," + date + ")";
  if (stored.rfind(prefix, 0) != 0 || stored.size() < prefix.size() + suffix.size()) return "";
  if (stored.compare(stored.size() - suffix.size(), suffix.size(), suffix) != 0) return "";
  return stored.substr(prefix.size(), stored.size() - prefix.size() - suffix.size());
}

store::NewProfileFields goldFields() {
  return {"Gold",
          "list@example.com",
          "reply@example.com",
          "pop.example.com",
          "smtp.example.com",
          "ann",
          "secret"};
}

std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

FileSizeLimit::FileSizeLimit(std::uint64_t bytes) {
  std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the test
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  m_saved = limit.rlim_cur;
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = m_saved;
  setrlimit(RLIMIT_FSIZE, &limit);
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  // As the program makes its files: a profile others can read would add a log line.
  std::error_code ignored;
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, ignored);
}

std::vector<std::string> readLines(const std::filesystem::path& path) {
  return store::splitLines(readBytes(path));
}

std::string crlf(const std::vector<std::string>& lines) {
  return store::joinLinesCrLf(lines);
}

}  // namespace tidewell::testing
