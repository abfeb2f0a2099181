#include "store/profile_store.h"

#include "store/private_files.h"
#include "store/text.h"
#include "store/text_file.h"
#include "store/utilities.h"

namespace tidewell::store {

ProfileStore::ProfileStore(std::filesystem::path path, ErrorTrap& trap)
    : m_path(std::move(path)), m_trap(trap) {}

ProfileDocument ProfileStore::load() const {
  if (!FileExist(m_path)) raise(kFileNotFound, "File not found: " + m_path.string());
  std::vector<std::string> lines = readLines(m_path);
  ProfileDocument document(lines);
  if (document.blockCount() == 0) refuseOtherFile(lines);
  if (m_path.extension() != ".ini") noteProfileReadableByOthers(m_path, m_trap);
  return document;
}

void ProfileStore::refuseOtherFile(const std::vector<std::string>& lines) const {
  // A file without a single block is some other file: nothing may be read from it or written
  // into it.
  std::size_t line = 0;
  while (line < lines.size() && trim(lines[line]).empty()) ++line;
  if (line == lines.size()) line = 0;
  const char* kind = m_path.extension() == ".ini" ? "settings file" : "profile";
  std::string text =
      m_path.string() + " is not a Tidewell " + kind + " (line " + std::to_string(line + 1) + ")";
  if (!m_refusalShown) {  // every later read meets the same file; one message box is enough
    m_refusalShown = true;
    m_trap.ui().showMessage(text, "Error!");
  }
  raise(kBadFormat, text);
}

void ProfileStore::commit(const ProfileDocument& document) {
  writeLinesDurably(m_path, document.lines());
}

bool ProfileStore::change(Procedure procedure, const std::function<void(ProfileDocument&)>& edit) {
  return m_trap.run(procedure, [&] {
    ProfileDocument document = load();
    edit(document);
    commit(document);
  });
}

std::string ProfileStore::GetFromFile_new(int index, std::string_view key) const {
  return m_trap.run(Procedure{"GetFromFile_new"}, std::string(kAbsent), [&] {
    if (!FileExist(m_path)) return std::string(kAbsent);
    return load().get(index, key);
  });
}

bool ProfileStore::UpdateFile_new(int index, std::string_view key, std::string_view value) {
  if (index == kAppendIndex) {
    return m_trap.run(Procedure{"UpdateFile_new"}, [&] { appendLine(m_path, value); });
  }
  return change(Procedure{"UpdateFile_new"}, [&](ProfileDocument& d) { d.set(index, key, value); });
}

bool ProfileStore::DeleteFromFile_new(int index, std::string_view key) {
  return change(Procedure{"DeleteFromFile_new"},
                [&](ProfileDocument& d) { d.deleteKey(index, key); });
}

bool ProfileStore::RegenProperty(int index, std::string_view stem) {
  return change(Procedure{"RegenProperty"},
                [&](ProfileDocument& d) { d.regenerateKeys(index, stem); });
}

bool ProfileStore::UpdateFile(std::string_view newLine, std::string_view oldValue, int index) {
  return m_trap.run(Procedure{"UpdateFile"}, false, [&] {
    ProfileDocument document = load();
    if (!document.replaceByOldValue(newLine, oldValue, index)) return false;
    commit(document);
    return true;
  });
}

bool ProfileStore::UpdateNewsletterRule(std::string_view oldTitle, std::string_view newTitle) {
  return change(Procedure{"UpdateNewsletterRule"},
                [&](ProfileDocument& d) { d.renameRuleReferences(oldTitle, newTitle); });
}

bool ProfileStore::DeleteNode(int index) {
  return change(Procedure{"DeleteNode"}, [&](ProfileDocument& d) { d.deleteNode(index); });
}

bool ProfileStore::UpdateIndex() {
  return change(windowProcedure("UpdateIndex"), [](ProfileDocument& d) { d.renumber(); });
}

std::string ProfileStore::GetFromFile(std::string_view openingLine, std::string_view key,
                                      int& lineNumber, std::string* indexLine) const {
  return m_trap.run(Procedure{"GetFromFile"}, std::string(), [&] {
    if (!FileExist(m_path)) return std::string("-1");
    return load().findByKind(openingLine, key, lineNumber, indexLine).value_or(std::string());
  });
}

bool ProfileStore::IsDuplicate(std::string_view line) const {
  return m_trap.run(Procedure{"IsDuplicate"}, false, [&] { return load().containsLine(line); });
}

bool ProfileStore::RuleExist(std::string_view title, std::string_view subject) const {
  return m_trap.run(Procedure{"RuleExist"}, false,
                    [&] { return load().filterExists(title, subject); });
}

bool ProfileStore::CopyFile() {
  return m_trap.run(Procedure{"CopyFile"}, [&] { commitWorkFile(m_path); });
}

}  // namespace tidewell::store
