#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/pmf_string.h"
#include "subscriber_fixture.h"

namespace tidewell::testing {
namespace {

struct PmfCase {
  std::string text;
  std::vector<std::pair<std::size_t, std::string>> fields;  // position, name
  bool canonical;
};

TEST(PmfString, UnpackKeepsSlotPositionsAndTellsWhetherPackingGivesTheTextBack) {
  std::string free = std::string(store::kFreePmfItem);
  auto repeat = [&](int n) {
    std::string t;
    for (int i = 0; i < n; ++i) t += free;
    return t;
  };
  std::vector<PmfCase> cases = {
      {repeat(41), {}, true},
      {pmfOf({{"email", "a@x.com"}, {"name", "Ann"}}), {{0, "email"}, {1, "name"}}, true},
      // A free slot between filled ones does not end the fields.
      {"email[/\\]a[\\/]" + free + "city[/\\]Oslo[\\/]" + repeat(38),
       {{0, "email"}, {2, "city"}},
       true},
      {"[/\\]nameless[\\/]" + repeat(40), {{0, ""}}, true},
      {"", {}, false},
      {"plain text", {}, false},
      {repeat(40), {}, false},
      {repeat(41) + "x[/\\]y[\\/]", {}, false},
      {"email[\\/]" + repeat(40), {{0, "email"}}, false},
  };
  store::UnpackedPmf unpacked;
  for (const PmfCase& c : cases) {
    store::unpackPmf(c.text, unpacked);
    std::vector<std::pair<std::size_t, std::string>> got;
    for (const auto& item : unpacked.items) got.emplace_back(item.position, item.name);
    EXPECT_EQ(got, c.fields) << c.text;
    EXPECT_EQ(unpacked.canonical, c.canonical) << c.text;
    if (c.canonical) {
      std::string packed;
      store::appendPmf(packed, unpacked.items);
      EXPECT_EQ(packed, c.text);
    }
  }
}

TEST(SubscriberTable, AddReusesThePlaceholderAndKeepsEveryTextOnOneLine) {
  store::SubscriberTable table;
  EXPECT_TRUE(table.isEmpty());
  EXPECT_EQ(table.size(), 1u);
  store::SubscriberData d = subscriber("a@x.com", "Ann\r\nSmith");
  d.pmf = "note[/\\]two\nlines[\\/]";
  EXPECT_EQ(table.add(d), 0u);
  EXPECT_FALSE(table.isEmpty());
  EXPECT_TRUE(table.changed());
  EXPECT_EQ(table.record(0).name(), "Ann Smith");
  EXPECT_EQ(table.pmf(0), "note[/\\]two lines[\\/]");
  EXPECT_EQ(table.add(subscriber("b@x.com")), 1u);
  EXPECT_EQ(table.size(), 2u);
}

TEST(SubscriberTable, PersonalFieldsTakeFlagsCaptionsAndDisplayNameFromTheRecordsFilter) {
  // "city" sits after a free slot of the filter and is still found.
  auto filter = makeFilter("Filter_1", "email:Email Address:on,name:Name:off,_::off,city:City:on,");
  store::SubscriberData d = subscriber("a@x.com");
  d.pmf = pmfOf({{"email", "a@x.com"}, {"name", "Ann"}, {"zip", "0150"}, {"city", "Oslo"}});
  store::SubscriberTable table = makeTable({d, subscriber("b@x.com", "B", "Gone")}, {filter});
  store::FieldTable fields = table.personalFields(0);
  EXPECT_TRUE(fields[0].active);
  EXPECT_EQ(fields[0].caption, "Email Address");
  EXPECT_EQ(fields[0].inputName, "input1");
  EXPECT_FALSE(fields[1].active);
  EXPECT_EQ(fields[2].name, "zip");
  EXPECT_FALSE(fields[2].active);
  EXPECT_TRUE(fields[3].active);
  EXPECT_EQ(fields[3].value, "Oslo");
  EXPECT_EQ(fields[4].name, store::kFreeFieldName);
  EXPECT_EQ(table.displayName(0), "Filter_1 List");
  EXPECT_EQ(table.displayName(1), "");
  EXPECT_EQ(table.filterOf(1), nullptr);
}

}  // namespace
}  // namespace tidewell::testing
