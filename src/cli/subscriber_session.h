#pragma once
// The subscribers of the open profile as one command works on them: its filter list, its field
// delimiter, its subscriber file and the table loaded from it. Lives for one command.

#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "store/profile_store.h"
#include "store/subscriber_file.h"
#include "store/subscriber_table.h"

namespace tidewell::cli {

class SubscriberSession {
 public:
  explicit SubscriberSession(CliContext& context);
  SubscriberSession(const SubscriberSession&) = delete;
  SubscriberSession& operator=(const SubscriberSession&) = delete;

  // Reads the filters and the subscriber file; a failure ends the command.
  void load();
  int save() { return m_file.Save_Email(m_table) ? 0 : 1; }

  store::ProfileStore& profile() { return m_profile; }
  store::SubscriberFile& file() { return m_file; }
  store::SubscriberTable& table() { return m_table; }
  const std::vector<store::FilterRecord>& filters() const { return m_table.filterList(); }
  const std::string& fieldDelimiter() const { return m_delimiter; }

 private:
  CliContext& m_context;
  store::ProfileStore m_profile;
  store::SubscriberFile m_file;
  store::SubscriberTable m_table;
  std::string m_delimiter;
};

}  // namespace tidewell::cli
