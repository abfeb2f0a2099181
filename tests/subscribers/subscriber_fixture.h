#pragma once
// A profile "Gold" in a temporary program folder with its subscriber file beside it, and
// helpers that write subscriber files and build filters and tables for the tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/date_text.h"
#include "store/filter_record.h"
#include "store/pmf_string.h"
#include "store/profile_store.h"
#include "store/subscriber_file.h"
#include "store/subscriber_table.h"
#include "support/test_support.h"

namespace tidewell::testing {

// The eight lines of one record of a subscriber file.
inline std::vector<std::string> recordLines(const std::string& email, const std::string& name,
                                            const std::string& date = "12/5/2026",
                                            const std::string& active = "true",
                                            const std::string& filter = "Filter_1",
                                            const std::string& pmf = "",
                                            const std::string& sent = "none") {
  return {email, name, date, sent, active, filter, pmf, ""};
}

// The lines of several records, one after the other.
inline std::vector<std::string> concat(const std::vector<std::vector<std::string>>& records) {
  std::vector<std::string> all;
  for (const auto& r : records) all.insert(all.end(), r.begin(), r.end());
  return all;
}

// A PMF string of the given items followed by free items up to 41.
inline std::string pmfOf(const std::vector<std::pair<std::string, std::string>>& items) {
  std::vector<store::PmfItem> slots;
  for (const auto& [name, value] : items) slots.push_back({slots.size(), name, value});
  std::string text;
  store::appendPmf(text, slots);
  return text;
}

// A filter as the filter list holds it; fields in the "fields" property form.
inline store::FilterRecord makeFilter(
    const std::string& title, const std::string& fields = "email:Email Address:on,name:Name:on,",
    const std::string& toname = "~name~", const std::string& subject = "join") {
  store::FilterRecord f;
  f.title = title;
  f.fields = fields;
  f.fieldTable = store::parseFieldTable(fields);
  f.toname = toname;
  f.subject = subject;
  f.displayname = title + " List";
  return f;
}

// A table holding the records, flag cleared, with the filters as its filter list.
inline store::SubscriberTable makeTable(const std::vector<store::SubscriberData>& records,
                                        std::vector<store::FilterRecord> filters = {}) {
  store::SubscriberTable table;
  table.setFilterList(std::move(filters));
  for (const auto& r : records) table.add(r);
  table.clearChanged();
  return table;
}

inline store::SubscriberData subscriber(const std::string& email, const std::string& name = "Ann",
                                        const std::string& filter = "Filter_1",
                                        const std::string& active = "true",
                                        store::Date signup = {2026, 12, 5}) {
  store::SubscriberData d;
  d.email = email;
  d.name = name;
  d.filterTitle = filter;
  d.active = active;
  d.signup = signup;
  return d;
}

// A record as the subscriber file's eight lines hold it.
inline std::vector<std::string> recordLinesOf(const store::SubscriberTable& table,
                                              store::Position p) {
  const auto& r = table.record(p);
  return recordLines(std::string(r.email()), std::string(r.name()),
                     store::shortDateText(table.signup(p)), std::string(table.active(p)),
                     std::string(table.filterTitle(p)), table.pmf(p), std::string(r.sentList()));
}

// A record on one line: email|name|sign-up date|active|filter|sent list.
inline std::string rowOf(const store::SubscriberTable& table, store::Position p) {
  const auto& r = table.record(p);
  return std::string(r.email()) + "|" + std::string(r.name()) + "|" +
         store::shortDateText(table.signup(p)) + "|" + std::string(table.active(p)) + "|" +
         std::string(table.filterTitle(p)) + "|" + std::string(r.sentList());
}

class SubscriberFixture : public ::testing::Test, public TrapFixture {
 public:
  SubscriberFixture();
  std::filesystem::path subscriberPath() const { return folder / "Gold.txt"; }
  void writeSubscribers(const std::vector<std::string>& lines) const {
    writeBytes(subscriberPath(), crlf(lines));
  }
  std::vector<std::string> savedLines() const { return readLines(subscriberPath()); }
  // Adds a filter block with an opt-in code; returns its title.
  std::string addFilter(const std::string& subject = "join");
  std::vector<store::FilterRecord> filters() const;

  std::filesystem::path profilePath;
  store::ProfileStore profile;
  store::SubscriberFile file;
  store::SubscriberTable table;
};

}  // namespace tidewell::testing
