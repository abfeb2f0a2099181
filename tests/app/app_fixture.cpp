#include "app_fixture.h"

#include <QLineEdit>

#include "store/subscriber_file.h"
#include "store/text.h"

namespace tidewell::testing {

std::filesystem::path ProgramFolder::createProfile(const std::string& title) {
  store::NewProfileFields fields = goldFields();
  fields.title = title;
  auto result = store::createProfile(fields, settings, cipher);
  if (!result.profilePath) throw std::runtime_error("the test profile was not written");
  return *result.profilePath;
}

std::string ProgramFolder::setting(const char* key) {
  return store::ProfileStore(settings.path(), trap).GetFromFile_new(store::kProgramBlock, key);
}

std::vector<int> ProgramFolder::addNodes(const std::filesystem::path& profile,
                                         const std::string& kinds) {
  store::ProfileStore store(profile, trap);
  store::ProfileModel model(store);
  std::vector<int> indexes;
  for (char kind : kinds) {
    auto node = kind == 'f' ? model.cmdNewInbound_Click(model.filtersTitle())
                            : model.cmdNewNewsletter_Click(model.newslettersTitle());
    if (!node) throw std::runtime_error("the test node was not added");
    indexes.push_back(node->index);
  }
  return indexes;
}

void ProgramFolder::writeSubscribers(const std::filesystem::path& profile,
                                     const std::vector<store::SubscriberData>& records) {
  store::ProfileStore store(profile, trap);
  store::SubscriberFile file(path(), store, trap);
  store::SubscriberTable table;
  for (const auto& r : records) table.add(r);
  if (!file.Save_Email(table)) throw std::runtime_error("the subscribers were not written");
}

void writeLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  writeBytes(path, crlf(lines));
}

void fillWizard(QWidget* wizard, const store::NewProfileFields& f) {
  for (auto [name, value] : {std::pair{"txtProfile", f.title},
                             {"txtEmail", f.email},
                             {"txtReply", f.reply},
                             {"txtPop", f.pop3},
                             {"txtSMTP", f.smtp},
                             {"txtAccount", f.account},
                             {"txtPassword", f.password}}) {
    wizard->findChild<QLineEdit*>(name)->setText(QString::fromStdString(value));
  }
}

std::map<std::string, std::function<std::unique_ptr<QObject>()>>& testClasses() {
  static std::map<std::string, std::function<std::unique_ptr<QObject>()>> classes;
  return classes;
}

}  // namespace tidewell::testing
