#pragma once
// The program settings file tidewell.ini in the program folder: which profile was open last and
// where, and the subscriber grid's columns. One block with index 0, read and written through
// the profile store.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/profile_store.h"

namespace tidewell::store {

inline constexpr std::string_view kSettingsFileName = "tidewell.ini";
inline constexpr std::string_view kVersionText = "3.3";
inline constexpr std::string_view kDefaultGridText =
    ":ON:540:tvcount,Email Address:ON:2910:tvemailaddy,Name:ON:1395:tvname,"
    "Sign-Up Date:ON:1410:tvsignup,Active:ON:570:tvactive,Filter:ON:1125:tvgridfilter,";

// A folder as the settings file stores it: absolute, ending with "/".
std::string folderText(const std::filesystem::path& folder);

class SettingsFile {
 public:
  SettingsFile(std::filesystem::path programFolder, ErrorTrap& trap);

  std::filesystem::path path() const { return m_store.path(); }
  const std::filesystem::path& programFolder() const { return m_programFolder; }
  ErrorTrap& trap() const { return m_store.trap(); }

  // Writes the default settings file when there is none; true when one exists afterwards.
  bool Create_INI_File();
  // The profile folder (key path; the program folder when empty or relative to it).
  std::filesystem::path profileFolder() const;
  // The profile to open: profile folder + startfile, when that names an existing file.
  // Nothing open (nullopt) is an ordinary state, never an error.
  std::optional<std::filesystem::path> currentProfilePath() const;
  // Remembers a profile as the one to open: startfile = its file name, path = its folder.
  bool s_load_dat_file(const std::filesystem::path& chosenFile);

  std::string gridText() const;
  bool writeGridText(std::string_view text);

 private:
  std::filesystem::path m_programFolder;
  ProfileStore m_store;
};

}  // namespace tidewell::store
