#pragma once
// What the filter panel writes into one filter block: the checked title (taking the
// newsletters that follow the filter along), the plain text keys, the two editor tables and the
// auto-unsubscribe target. Made per shown node; user-interface thread.
#include <optional>
#include <string>

#include "editor/title_check.h"
#include "store/profile_store.h"

namespace tidewell::editor {

class FilterEditor {
 public:
  FilterEditor(store::ProfileStore& profile, int blockIndex)
      : m_profile(profile), m_index(blockIndex) {}

  int blockIndex() const { return m_index; }
  // The title box was left: a refusal, or nullopt after the title was written.
  std::optional<TitleRefusal> leaveTitle(const std::string& text, const std::string& oldTitle);
  // toname, redirect, displayname, fields, extractkeys, autounsubscribe: stored as given.
  bool writeKey(const std::string& key, const std::string& value);

 private:
  store::ProfileStore& m_profile;
  int m_index;
};

}  // namespace tidewell::editor
