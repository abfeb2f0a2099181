#pragma once
// One open profile as the main window works on it: its store, subscriber file and table, the
// grid over them, the filter list and the settings read at start-up. Made by the start-up
// sequence and dropped when another profile opens or the program ends. Qt-free; UI thread.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "store/password_cipher.h"
#include "store/profile_settings.h"
#include "store/profile_store.h"
#include "store/settings_file.h"
#include "store/subscriber_file.h"
#include "store/subscriber_table.h"
#include "subscribers/grid_column_table.h"
#include "subscribers/subscriber_grid.h"

namespace tidewell::app {

class ProfileSession {
 public:
  ProfileSession(const std::filesystem::path& profilePath, store::SettingsFile& settings,
                 subscribers::GridColumnTable& columns, store::PasswordCipher& cipher);
  ProfileSession(const ProfileSession&) = delete;
  ProfileSession& operator=(const ProfileSession&) = delete;

  // The store side of start-up after the tree: filter list, subscriber file, grid rows, then
  // the profile's settings with their defaults.
  void open();

  // LoadShow: the filter list from the profile, and the show list built from it.
  void rebuildFilterList();
  const std::vector<store::FilterRecord>& filterList() const { return m_table.filterList(); }
  const std::vector<std::string>& showList() const { return m_showList; }
  bool hasFilters() const { return !m_table.filterList().empty(); }

  // Save_Email when the table-changed flag is set; true when nothing is left unsaved.
  bool saveSubscribersIfChanged();
  // Form_Unload's store side: renumber, save the subscribers (which counts their sends), write
  // the grid columns and the field delimiter the profile holds now.
  void close(const std::vector<int>& currentWidths);

  store::ProfileStore& profile() { return m_profile; }
  store::SubscriberFile& subscriberFile() { return m_file; }
  store::SubscriberTable& table() { return m_table; }
  subscribers::SubscriberGrid& grid() { return m_grid; }
  store::ProfileSettings& settings() { return m_loaded; }
  store::SettingsFile& settingsFile() { return m_settingsFile; }

 private:
  store::SettingsFile& m_settingsFile;
  subscribers::GridColumnTable& m_columns;
  store::PasswordCipher& m_cipher;
  store::ProfileStore m_profile;
  store::SubscriberFile m_file;
  store::SubscriberTable m_table;
  subscribers::SubscriberGrid m_grid;
  store::ProfileSettings m_loaded;
  std::vector<std::string> m_showList;
};

}  // namespace tidewell::app
