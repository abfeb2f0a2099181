#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "subscriber_fixture.h"

namespace tidewell::testing {
namespace {

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
