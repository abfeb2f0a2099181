#include "subscriber_fixture.h"

#include "store/profile_model.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::testing {

SubscriberFixture::SubscriberFixture()
    : profilePath(folder / "Gold.dat"),
      profile(profilePath, trap),
      file(folder.path(), profile, trap) {
  std::vector<std::string> lines = store::newProfileSkeleton();
  lines[3] = "title: Gold";
  store::writeLinesDurably(profilePath, lines);
}

std::string SubscriberFixture::addFilter(const std::string& subject) {
  store::ProfileModel model(profile);
  auto node = model.cmdNewInbound_Click(model.filtersTitle());
  profile.UpdateFile_new(node->index, "subject", subject);
  profile.UpdateFile_new(node->index, "toname", "~name~");
  return node->title;
}

std::vector<store::FilterRecord> SubscriberFixture::filters() const {
  return store::loadFilterList(profile.load());
}

}  // namespace tidewell::testing
