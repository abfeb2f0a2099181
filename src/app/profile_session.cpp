#include "profile_session.h"

#include "store/filter_record.h"
#include "subscribers/show_filter.h"

namespace tidewell::app {

ProfileSession::ProfileSession(const std::filesystem::path& profilePath,
                               store::SettingsFile& settings, subscribers::GridColumnTable& columns,
                               store::PasswordCipher& cipher)
    : m_settingsFile(settings),
      m_columns(columns),
      m_cipher(cipher),
      m_profile(profilePath, settings.trap()),
      m_file(profilePath.parent_path(), m_profile, settings.trap()),
      m_grid(m_table, columns) {
  m_showList = subscribers::LoadShow({});
}

void ProfileSession::open() {
  rebuildFilterList();
  m_file.LoadSubscriberFile(m_table);
  m_grid.loadgrid();
  m_loaded = store::loadProfileSettings(m_profile, m_cipher);
}

void ProfileSession::rebuildFilterList() {
  m_profile.trap().run(store::windowProcedure("LoadShow"),
                       [&] { m_table.setFilterList(store::loadFilterList(m_profile.load())); });
  m_showList = subscribers::LoadShow(m_table.filterList());
}

bool ProfileSession::saveSubscribersIfChanged() {
  return !m_table.changed() || m_file.Save_Email(m_table);
}

void ProfileSession::close(const std::vector<int>& currentWidths) {
  m_columns.updateWidths(currentWidths);
  // The filters panel writes the delimiter as it is edited, so the file holds the latest one.
  std::string delimiter = m_profile.GetFromFile_new(store::kFiltersBlock, "fielddelimiter");
  store::ShutDownValues values{
      store::isAbsentOrEmpty(delimiter) ? m_loaded.fieldDelimiter : delimiter,
      m_columns.gridText()};
  store::shutDownProfile(m_profile, m_settingsFile, values, [&] { saveSubscribersIfChanged(); });
}

}  // namespace tidewell::app
