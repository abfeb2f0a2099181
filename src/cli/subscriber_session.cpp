#include "cli/subscriber_session.h"

#include "store/profile_settings.h"

namespace tidewell::cli {

SubscriberSession::SubscriberSession(CliContext& context)
    : m_context(context),
      m_profile(context.profileStore()),
      m_file(m_profile.path().parent_path(), m_profile, context.trap()) {}

void SubscriberSession::load() {
  bool read = m_context.trap().run(store::windowProcedure("LoadShow"), [&] {
    store::ProfileDocument profile = m_profile.load();
    m_table.setFilterList(store::loadFilterList(profile));
    std::string delimiter = profile.get(store::kFiltersBlock, "fielddelimiter");
    m_delimiter =
        delimiter == store::kAbsent ? std::string(store::kDefaultFieldDelimiter) : delimiter;
  });
  if (!read || !m_file.LoadSubscriberFile(m_table)) {
    throw CommandFailed("The profile's subscribers could not be read: " +
                        m_context.trap().lastError().description);
  }
}

}  // namespace tidewell::cli
