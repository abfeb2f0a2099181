#include "store/settings_file.h"

#include "store/text_file.h"
#include "store/utilities.h"

namespace tidewell::store {

std::string folderText(const std::filesystem::path& folder) {
  std::string text = std::filesystem::absolute(folder).lexically_normal().string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

SettingsFile::SettingsFile(std::filesystem::path programFolder, ErrorTrap& trap)
    : m_programFolder(std::move(programFolder)),
      m_store(m_programFolder / std::string(kSettingsFileName), trap) {}

bool SettingsFile::Create_INI_File() {
  if (FileExist(path())) return true;
  return m_store.trap().run(Procedure{"Create_INI_File"}, [&] {
    std::string folder = folderText(m_programFolder);
    writeLinesDurably(path(),
                      {"program_properties_start", "index: 0", "name: program_startup_start",
                       "path: " + folder, "apppath: " + folder, "startfile: ", "valid_close: true",
                       "grid: " + std::string(kDefaultGridText),
                       "date: " + shortDateText(m_store.trap().clock().today()),
                       "version: " + std::string(kVersionText), "program_properties_end"});
  });
}

std::filesystem::path SettingsFile::profileFolder() const {
  std::string folder = m_store.GetFromFile_new(kProgramBlock, "path");
  if (isAbsentOrEmpty(folder)) return m_programFolder;
  return m_programFolder / folder;  // an absolute folder replaces the program folder
}

std::optional<std::filesystem::path> SettingsFile::currentProfilePath() const {
  if (!FileExist(path())) return std::nullopt;
  std::string startFile = m_store.GetFromFile_new(kProgramBlock, "startfile");
  if (isAbsentOrEmpty(startFile)) return std::nullopt;
  std::filesystem::path profile = profileFolder() / startFile;
  if (!FileExist(profile)) return std::nullopt;
  return profile;
}

bool SettingsFile::s_load_dat_file(const std::filesystem::path& chosenFile) {
  return m_store.change(Procedure{"s_load_dat_file"}, [&](ProfileDocument& d) {
    std::filesystem::path chosen = std::filesystem::absolute(chosenFile);
    d.set(kProgramBlock, "startfile", chosen.filename().string());
    d.set(kProgramBlock, "path", folderText(chosen.parent_path()));
  });
}

std::string SettingsFile::gridText() const {
  std::string text = m_store.GetFromFile_new(kProgramBlock, "grid");
  return text == kAbsent ? std::string(kDefaultGridText) : text;
}

bool SettingsFile::writeGridText(std::string_view text) {
  return m_store.UpdateFile_new(kProgramBlock, "grid", text);
}

}  // namespace tidewell::store
