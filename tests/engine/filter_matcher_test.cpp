#include <gtest/gtest.h>

#include "../subscribers/subscriber_fixture.h"
#include "engine/filter_matcher.h"
#include "engine/rule_line.h"
#include "engine/subscriber_index.h"

namespace tidewell::testing {
namespace {

using engine::FilterMatcher;
using engine::MatchResult;
using engine::MessageView;
using engine::SubscriberIndex;
using Kind = MatchResult::Kind;

store::FilterRecord filter(const std::string& title, const std::string& subjectKeyword,
                           const std::string& autounsubscribe = std::string(store::kAbsent)) {
  store::FilterRecord f;
  f.title = title;
  f.optout = "leave-" + title;
  if (!subjectKeyword.empty())
    f.rules = {engine::makeRuleLine("Subject", "Has", subjectKeyword, "")};
  f.autounsubscribe = autounsubscribe;
  return f;
}

class MatchFilterTest : public ::testing::Test {
 protected:
  void add(const std::string& email, const std::string& title) {
    table.add(subscriber(email, "Ann", title));
  }
  MatchResult match(const std::string& subject, const std::string& body = "",
                    const std::string& sender = "ann@x.com") {
    FilterMatcher matcher(filters);
    SubscriberIndex index(table, SubscriberIndex::Comparison::kExact);
    return matcher.MatchFilter(MessageView{subject, body, sender}, table, index);
  }

  std::vector<store::FilterRecord> filters;
  store::SubscriberTable table;
};

TEST_F(MatchFilterTest, FirstFilterWhoseRulesHoldClaimsTheMessage) {
  EXPECT_EQ(match("join").kind, Kind::kNone);

  filters = {filter("Empty", ""), filter("News", "join"), filter("Tips", "join")};
  MatchResult r = match("please join");
  ASSERT_EQ(r.kind, Kind::kSignUp);
  EXPECT_EQ(r.filter->title, "News");
  EXPECT_EQ(match("please Join").kind, Kind::kNone);
  EXPECT_FALSE(table.changed());
}

TEST_F(MatchFilterTest, SenderAlreadyOnTheListIsNotSignedUpAgain) {
  filters = {filter("News", "join", "Trial")};
  add("ann@x.com", "Trial");
  add("ann@x.com", "News");
  table.clearChanged();

  EXPECT_EQ(match("join").kind, Kind::kNone);
  EXPECT_EQ(table.active(0), "true");  // no auto-unsubscribe for a repeated sign-up
  EXPECT_FALSE(table.changed());

  // Addresses and titles compare exactly.
  EXPECT_EQ(match("join", "", "Ann@x.com").kind, Kind::kSignUp);
  table.setFilterTitle(1, "news");
  EXPECT_EQ(match("join").kind, Kind::kSignUp);
}

TEST_F(MatchFilterTest, SignUpSwitchesTheSenderOffInTheAutounsubscribeFilter) {
  filters = {filter("Full", "join", "Trial"), filter("Other", "other", "Nobody")};
  add("ann@x.com", "Trial");
  add("ann@x.com", "Trial");
  add("ann@x.com", "Tips");
  add("bob@x.com", "Trial");
  table.clearChanged();

  MatchResult r = match("join");
  ASSERT_EQ(r.kind, Kind::kSignUp);
  EXPECT_EQ(table.active(0), "false");
  EXPECT_EQ(table.active(1), "true");  // only the first record of the target filter
  EXPECT_EQ(table.active(2), "true");
  EXPECT_EQ(table.active(3), "true");
  EXPECT_TRUE(table.changed());

  table.clearChanged();
  EXPECT_EQ(match("other").kind, Kind::kSignUp);  // target without a record: nothing changes
  EXPECT_FALSE(table.changed());
}

TEST_F(MatchFilterTest, OptOutNeedsTheExactTitleAndTheMarkedOptOutValue) {
  filters = {filter("News", "join"), filter("Tips", "hint")};
  const std::string body = "Remove me @@@leave-Tips please";

  MatchResult r = match("Tips", body);
  ASSERT_EQ(r.kind, Kind::kOptOut);
  EXPECT_EQ(r.filter->title, "Tips");
  EXPECT_EQ(match("tips", body).kind, Kind::kNone);
  EXPECT_EQ(match("Tips", "Remove me leave-Tips").kind, Kind::kNone);
  EXPECT_EQ(match("Tips", "Remove me @@@Leave-Tips").kind, Kind::kNone);
  EXPECT_EQ(match("News", body).kind, Kind::kNone);  // the value of another filter
  // A message some filter claims is a sign-up even when it looks like an opt-out.
  filters[0].rules = {engine::makeRuleLine("Body", "Has", "Remove", "")};
  EXPECT_EQ(match("Tips", body).kind, Kind::kSignUp);
  EXPECT_FALSE(table.changed());
}

TEST(SubscriberIndex, FindsLiveRecordsInTableOrderIncludingAppendedOnes) {
  store::SubscriberTable table;
  SubscriberIndex exact(table, SubscriberIndex::Comparison::kExact);
  SubscriberIndex folded(table, SubscriberIndex::Comparison::kIgnoreCase);
  EXPECT_TRUE(exact.find("").empty());  // the placeholder of an empty table is no record

  auto add = [&](const char* email) { return table.add(subscriber(email, "Ann", "News")); };
  add("ann@x.com");
  add("bob@x.com");
  add("ANN@X.com");
  add("ann@x.com");
  EXPECT_EQ(exact.find("ann@x.com"), (std::vector<store::Position>{0, 3}));
  EXPECT_EQ(folded.find("Ann@X.COM"), (std::vector<store::Position>{0, 2, 3}));
  EXPECT_TRUE(exact.find("ann@x.co").empty());

  table.markDeleted(3);
  store::Position late = add("ann@x.com");
  EXPECT_EQ(exact.find("ann@x.com"), (std::vector<store::Position>{0, late}));
  EXPECT_EQ(folded.find("ann@x.com"), (std::vector<store::Position>{0, 2, late}));
}

}  // namespace
}  // namespace tidewell::testing
