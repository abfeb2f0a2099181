#include "editor_fixture.h"

#include <stdexcept>

#include "store/profile_model.h"
#include "store/text.h"

namespace tidewell::editor::testing {

EditorProfile::EditorProfile() {
  store::ProfileDocument d(store::newProfileSkeleton());
  d.set(store::kUserBlock, "title", "Gold");
  d.set(store::kUserBlock, "date", "12/5/2026");
  d.set(store::kServerBlock, "parent", "Gold");
  d.set(store::kServerBlock, "pop3", "pop.example.com");
  d.set(store::kServerBlock, "smtp", "smtp.example.com");
  d.set(store::kServerBlock, "account", "ann");
  d.set(store::kServerBlock, "pass", "ENC(secret,12/5/2026)");
  d.set(store::kServerBlock, "email", "list@example.com");
  d.set(store::kServerBlock, "reply", "reply@example.com");
  tidewell::testing::writeBytes(store.path(), store::joinLinesCrLf(d.lines()));
  if (!store::ProfileModel(store).Set_Port_Defaults()) throw std::runtime_error("defaults");
}

int EditorProfile::addNode(bool filter) {
  store::ProfileModel model(store);
  auto node = filter ? model.cmdNewInbound_Click(model.filtersTitle())
                     : model.cmdNewNewsletter_Click(model.newslettersTitle());
  if (!node) throw std::runtime_error("new node");
  return node->index;
}

void EditorProfile::setTitle(int index, const std::string& title) {
  if (!store.UpdateFile("title: " + title, get(index, "title"), index)) {
    throw std::runtime_error("rename");
  }
}

std::string EditorProfile::get(int index, const std::string& key) const {
  return store.GetFromFile_new(index, key);
}

std::vector<store::FilterRecord> EditorProfile::filters() const {
  return store::loadFilterList(store.load());
}

std::vector<std::string> EditorProfile::titlesInFileOrder() const {
  std::vector<std::string> titles;
  bool inNodes = false;
  for (const std::string& line : lines()) {
    if (line == "newsletter_properties_start" || line == "rule_properties_start") inNodes = true;
    if (inNodes && line.rfind("title: ", 0) == 0) titles.push_back(line.substr(7));
  }
  return titles;
}

}  // namespace tidewell::editor::testing
