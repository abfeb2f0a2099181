#pragma once
// A profile in a temporary folder for the editor tests: the skeleton of a new profile filled like
// the wizard does, with helpers to add filters and newsletters and to read blocks back.
#include <optional>
#include <string>
#include <vector>

#include "store/campaign_properties.h"
#include "store/filter_record.h"
#include "store/password_cipher.h"
#include "store/profile_store.h"
#include "support/test_support.h"

namespace tidewell::editor::testing {

using tidewell::testing::TaggingCipher;

class EditorProfile {
 public:
  EditorProfile();

  store::ProfileStore& store() { return m_store; }
  const std::filesystem::path& path() const { return m_store.path(); }
  store::ErrorTrap& trap() { return m_fx.trap; }
  tidewell::testing::RecordingOperator& ui() { return m_fx.ui; }
  tidewell::testing::FixedClock& clock() { return m_fx.clock; }
  const std::filesystem::path& folder() const { return m_fx.folder.path(); }

  // New filter / newsletter through the creating actions; returns the new block index.
  int addFilter();
  int addNewsletter();
  // Renames a node directly in the file.
  void setTitle(int index, const std::string& title);
  std::string get(int index, const std::string& key) const;
  std::vector<std::string> lines() const;
  std::vector<store::FilterRecord> filters() const;
  // Titles of the blocks in file order, from the first newsletter or filter on.
  std::vector<std::string> titlesInFileOrder() const;

 private:
  tidewell::testing::TrapFixture m_fx;
  store::ProfileStore m_store;
};

}  // namespace tidewell::editor::testing
