#pragma once
// The store operations on one profile (or settings) file, named by the path it was made with.
// Nothing is kept in memory: every read opens and scans the file, every change rewrites it
// through the work file. Each operation runs in its own error trap and returns its default
// ("!", "-1", false) after reporting a failure. One thread.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "store/error_trap.h"
#include "store/profile_document.h"

namespace tidewell::store {

class ProfileStore {
 public:
  // The index UpdateFile_new takes for its log-append form.
  static constexpr int kAppendIndex = -100;

  ProfileStore(std::filesystem::path path, ErrorTrap& trap);

  const std::filesystem::path& path() const { return m_path; }
  ErrorTrap& trap() const { return m_trap; }

  std::string GetFromFile_new(int index, std::string_view key) const;
  bool UpdateFile_new(int index, std::string_view key, std::string_view value);
  bool DeleteFromFile_new(int index, std::string_view key);
  bool RegenProperty(int index, std::string_view stem);
  // Replaces the block's line that holds oldValue under newLine's key; a title change also
  // renames the parent references to it. False when nothing matched or on failure.
  bool UpdateFile(std::string_view newLine, std::string_view oldValue, int index);
  bool UpdateNewsletterRule(std::string_view oldTitle, std::string_view newTitle);
  bool DeleteNode(int index);
  bool UpdateIndex();
  // "-1" when the file does not exist, empty text when nothing matched.
  std::string GetFromFile(std::string_view openingLine, std::string_view key, int& lineNumber,
                          std::string* indexLine = nullptr) const;
  bool IsDuplicate(std::string_view line) const;
  bool RuleExist(std::string_view title, std::string_view subject) const;
  // Puts the work file in the place of the file.
  bool CopyFile();

  // The file as it is now; raises when it is missing, unreadable or holds no block (so it is
  // no profile). For callers that read many properties at once inside their own trap.
  ProfileDocument load() const;
  // Writes the document over the file through the work file; raises on failure.
  void commit(const ProfileDocument& document);
  // Loads, applies edit and commits once, trapped under procedure.
  bool change(Procedure procedure, const std::function<void(ProfileDocument&)>& edit);

 private:
  [[noreturn]] void refuseOtherFile(const std::vector<std::string>& lines) const;

  std::filesystem::path m_path;
  ErrorTrap& m_trap;
  mutable bool m_refusalShown = false;
};

}  // namespace tidewell::store
