#pragma once
// A profile in a temporary folder for the editor tests: the skeleton of a new profile filled like
// the wizard does, with helpers to add filters and newsletters and to read blocks back.
#include <string>
#include <vector>

#include "store/campaign_properties.h"
#include "store/filter_record.h"
#include "store/profile_store.h"
#include "support/test_support.h"

namespace tidewell::editor::testing {

using tidewell::testing::TaggingCipher;

struct EditorProfile : tidewell::testing::TrapFixture {
  EditorProfile();

  store::ProfileStore store{folder.path() / "Gold.dat", trap};

  // New filter / newsletter through the creating actions; returns the new block index.
  int addFilter() { return addNode(true); }
  int addNewsletter() { return addNode(false); }
  int addNode(bool filter);
  // Renames a node directly in the file.
  void setTitle(int index, const std::string& title);
  std::string get(int index, const std::string& key) const;
  std::vector<std::string> lines() const { return tidewell::testing::readLines(store.path()); }
  std::vector<store::FilterRecord> filters() const;
  // Titles of the blocks in file order, from the first newsletter or filter on.
  std::vector<std::string> titlesInFileOrder() const;
};

}  // namespace tidewell::editor::testing
