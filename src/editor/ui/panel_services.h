#pragma once
// What the main window lends to every property panel: the open profile's store, trap and server
// settings, the filter list, and the window actions a panel edit can call for (the tree following
// a title, the filter list rebuilt). Owned by the main window; user-interface thread only.
#include <functional>
#include <string>
#include <vector>

#include "store/campaign_properties.h"
#include "store/error_trap.h"
#include "store/filter_record.h"
#include "store/password_cipher.h"
#include "store/profile_store.h"

namespace tidewell::editor::ui {

struct PanelServices {
  store::ProfileStore* profile = nullptr;
  store::ErrorTrap* trap = nullptr;
  store::CampaignProperties* settings = nullptr;
  store::PasswordCipher* cipher = nullptr;
  // The filter list as last rebuilt.
  std::function<const std::vector<store::FilterRecord>&()> filterList;
  // LoadShow: rebuilds the filter list (and with it the grid's show list and menus).
  std::function<void()> rebuildFilterList;
  // LoadTree, then show the node with this block index.
  std::function<void(int index)> reloadTree;
  // The tree node titled oldTitle shows newTitle (while the operator types a title).
  std::function<void(const std::string& oldTitle, const std::string& newTitle)> renameNode;
  // Status panel 2.
  std::function<void(const std::string& text)> showStatus;
  // The placeholder delimiter in memory follows the Filters panel (optional).
  std::function<void(const std::string& delimiter)> fieldDelimiterChanged;
  // Shows the certificate the account's server ("pop3" or "smtp") presents and lets the
  // operator trust it (optional).
  std::function<void(const std::string& account)> trustCertificate;
  // Shows the newsletter of this block index as a subscriber will get it (optional).
  std::function<void(int index)> previewNewsletter;
};

}  // namespace tidewell::editor::ui
