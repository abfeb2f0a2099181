#include "subscriber_fixture.h"

#include "store/date_text.h"
#include "store/pmf_string.h"
#include "store/profile_model.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::testing {

std::string pmfOf(const std::vector<std::pair<std::string, std::string>>& items) {
  std::vector<store::PmfItem> slots;
  for (const auto& [name, value] : items) slots.push_back({slots.size(), name, value});
  std::string text;
  store::appendPmf(text, slots);
  return text;
}

store::FilterRecord makeFilter(const std::string& title, const std::string& fields,
                               const std::string& toname, const std::string& subject) {
  store::FilterRecord f;
  f.title = title;
  f.fields = fields;
  f.fieldTable = store::parseFieldTable(fields);
  f.toname = toname;
  f.subject = subject;
  f.displayname = title + " List";
  return f;
}

store::SubscriberTable makeTable(const std::vector<store::SubscriberData>& records,
                                 std::vector<store::FilterRecord> filters) {
  store::SubscriberTable table;
  table.setFilterList(std::move(filters));
  for (const auto& r : records) table.add(r);
  table.clearChanged();
  return table;
}

std::string rowOf(const store::SubscriberTable& table, store::Position p) {
  const auto& r = table.record(p);
  std::string row;
  row.append(r.email()).append("|").append(r.name()).append("|");
  row.append(store::shortDateText(table.signup(p))).append("|").append(table.active(p));
  return row.append("|").append(table.filterTitle(p)).append("|").append(r.sentList());
}

std::vector<std::string> recordLinesOf(const store::SubscriberTable& table, store::Position p) {
  const auto& r = table.record(p);
  return recordLines(std::string(r.email()), std::string(r.name()),
                     store::shortDateText(table.signup(p)), std::string(table.active(p)),
                     std::string(table.filterTitle(p)), std::string(table.pmf(p)),
                     std::string(r.sentList()));
}

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
