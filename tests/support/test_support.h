#pragma once
// Helpers shared by the tests: a temporary folder, an operator that records what it was shown
// and answers from a script, a clock with a fixed date, and file shortcuts.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "store/clock.h"
#include "store/error_trap.h"
#include "store/operator_interface.h"
#include "store/password_cipher.h"
#include "store/profile_model.h"

namespace tidewell::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return m_path; }
  std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

 private:
  std::filesystem::path m_path;
};

struct ShownMessage {
  std::string text;
  std::string caption;
};

class RecordingOperator : public store::OperatorInterface {
 public:
  void showStatus(const std::string& text) override { statuses.push_back(text); }
  void showMessage(const std::string& text, const std::string& caption) override {
    messages.push_back({text, caption});
  }
  bool askYesNo(const std::string& question, const std::string& caption) override;
  void showProgress(std::int64_t value, std::int64_t maximum) override {
    lastProgress = value;
    progressMaximum = maximum;
  }
  void hideProgress() override { progressHidden = true; }

  std::vector<std::string> statuses;
  std::vector<ShownMessage> messages;
  std::vector<ShownMessage> questions;
  std::deque<bool> answers;  // answers to the questions, in order; No when empty
  std::int64_t lastProgress = -1;
  std::int64_t progressMaximum = -1;
  bool progressHidden = false;
};

class FixedClock : public store::Clock {
 public:
  explicit FixedClock(store::Date today = {2026, 12, 5}) : m_today(today) {}
  store::Date today() const override { return m_today; }
  std::string timeText() const override { return "1:02:03 PM"; }
  std::int64_t secondsNow() const override { return m_seconds; }
  void setToday(store::Date d) { m_today = d; }
  void advanceSeconds(std::int64_t seconds) { m_seconds += seconds; }

 private:
  store::Date m_today;
  std::int64_t m_seconds = 1796000000;  // in December 2026
};

// An operator, a fixed clock and an error trap logging into a temporary program folder.
struct TrapFixture {
  TempFolder folder;
  RecordingOperator ui;
  FixedClock clock;
  store::ErrorTrap trap{folder.path(), ui, clock};
  std::vector<std::string> logLines() const;
};

// A full disk, shown with a file-size limit while it lives: writes past it fail with EFBIG.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::uint64_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  std::uint64_t m_saved = 0;
};

// Enciphers by tagging the text with its date, so tests can see what was stored and under which
// date; deciphers only under that date.
class TaggingCipher : public store::PasswordCipher {
 public:
  std::string encipher(const std::string& text, const std::string& date) override;
  std::string decipher(const std::string& stored, const std::string& date) override;
};

// The fields of the profile "Gold" as the new-profile wizard takes them.
store::NewProfileFields goldFields();

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);
// The lines of the file, none when it is missing.
std::vector<std::string> readLines(const std::filesystem::path& path);
// Lines joined with CR LF, each line ended by one.
std::string crlf(const std::vector<std::string>& lines);

}  // namespace tidewell::testing
