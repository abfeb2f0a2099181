// Rules: the stored rule line, each rule's comparison, how connectors combine rules, and which
// filter a message is for (sign-up, opt-out or neither).
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "../subscribers/subscriber_fixture.h"
#include "engine/filter_matcher.h"
#include "engine/rule_evaluation.h"
#include "engine/rule_line.h"
#include "engine/subscriber_index.h"

namespace tidewell::testing {
namespace {

using namespace tidewell::engine;
using Kind = MatchResult::Kind;

TEST(RuleLine, FieldsStoredAndDisplayForms) {
  EXPECT_EQ(makeRuleLine("Body", "Has", "free", "  "), "<1<Body>1> <2<Has>2> <3<free>3>");
  EXPECT_EQ(makeRuleLine("From", "Has", "news", "And"),
            "<1<From>1> <2<Has>2> <3<news>3> <4<And>4>");
  const std::string line = "<1<Subject>1> <2<Has>2> <3< join list >3> <4<Or>4>";
  EXPECT_EQ(ff_get_field(line, 3), " join list ");
  EXPECT_EQ(ff_get_field_editor(makeRuleLine("Body", "Has", "free", ""), 4), "!");
  // The first closing tag counts, even when it comes before the opening one.
  EXPECT_EQ(ff_get_field("<3<a>3>b>3>", 3), "a");
  EXPECT_EQ(ff_get_field(">3> <3<late", 3), "");
  EXPECT_EQ(ff_get_field_editor(">4> no opening", 4), "");
  // The display form quotes the keyword and drops the other tags.
  EXPECT_EQ(ruleDisplayText(line), "Subject Has \" join list \" Or");
  EXPECT_EQ(ruleDisplayText(makeRuleLine("Subject", "=", "Anmeldung für", "")),
            "Subject = \"Anmeldung für\"");
  EXPECT_EQ(ff_strip_delimiter("aXbxcX", "x"), "abc");
  EXPECT_EQ(ff_strip_delimiter("<3<q>3>", "<3<"), "\"q>3>");
}

bool holds(const std::string& line, std::string_view subject, std::string_view body = "",
           std::string_view sender = "") {
  return testRule(compileRule(line), MessageView{subject, body, sender});
}

TEST(RuleTest, ComparisonsAreCaseSensitiveAndOnlySubjectEqualsIsExact) {
  const std::string hasJoin = makeRuleLine("Subject", "Has", "Join", "");
  EXPECT_FALSE(holds(hasJoin, "join the list"));
  EXPECT_TRUE(holds(makeRuleLine("Subject", "Has", "join", ""), "join the list"));
  EXPECT_TRUE(holds(hasJoin, "Please Join"));
  EXPECT_FALSE(holds(hasJoin, ""));

  const std::string equalsJoin = makeRuleLine("Subject", "=", "Join", "");
  EXPECT_TRUE(holds(equalsJoin, "Join"));
  EXPECT_FALSE(holds(equalsJoin, "Join "));
  EXPECT_FALSE(holds(equalsJoin, "join"));

  // Body and From test containment whatever the logic says.
  EXPECT_TRUE(holds(makeRuleLine("Body", "=", "sign me", ""), "", "please sign me up"));
  EXPECT_FALSE(holds(makeRuleLine("Body", "Has", "Sign me", ""), "Sign me", "please sign me up"));
  EXPECT_TRUE(holds(makeRuleLine("From", "=", "@lists.", ""), "", "", "ann@lists.example.com"));
  EXPECT_FALSE(holds(makeRuleLine("From", "Has", "lists", ""), "lists", "lists", "ann@x.com"));
  // A first field other than exactly "Subject" or "Body" reads the sender.
  EXPECT_TRUE(holds(makeRuleLine("subject", "Has", "ann", ""), "nothing", "", "ann@x.com"));
}

// A shape such as "A And B Or C" as rules k1, k2, ... on the subject, each followed by the
// connector written after it; rule k holds when r[k] is set.
bool verdict(const std::string& shape, const bool* r) {
  std::vector<std::string> words;
  std::istringstream in(shape);
  for (std::string word; in >> word;) words.push_back(word);
  std::vector<std::string> lines;
  std::string subject;
  for (std::size_t k = 0; 2 * k < words.size(); ++k) {
    std::string keyword = "[k" + std::to_string(k + 1) + "]";
    std::string connector = 2 * k + 1 < words.size() ? words[2 * k + 1] : "";
    lines.push_back(makeRuleLine("Subject", "Has", keyword, connector));
    if (r[k]) subject += keyword;
  }
  return EvaluateRules(compileRules(lines), MessageView{subject, "", ""});
}

TEST(EvaluateRules, AndBindsTighterThanOrForEveryCombinationOfResults) {
  using R = const bool*;
  const std::vector<std::pair<std::string, std::function<bool(R)>>> shapes = {
      {"A", [](R r) { return r[0]; }},
      {"A And B", [](R r) { return r[0] && r[1]; }},
      {"A Or B", [](R r) { return r[0] || r[1]; }},
      {"A And B And C", [](R r) { return r[0] && r[1] && r[2]; }},
      {"A And B Or C", [](R r) { return (r[0] && r[1]) || r[2]; }},
      {"A Or B And C", [](R r) { return r[0] || (r[1] && r[2]); }},
      {"A And B Or C And D", [](R r) { return (r[0] && r[1]) || (r[2] && r[3]); }},
      {"A And B Or C Or D", [](R r) { return (r[0] && r[1]) || r[2] || r[3]; }},
      {"A Or B And C Or D", [](R r) { return r[0] || (r[1] && r[2]) || r[3]; }},
      // A trailing "And" has nothing to join and counts as no connector.
      {"A And", [](R r) { return r[0]; }},
      {"A Or B And", [](R r) { return r[0] || r[1]; }},
      // Connectors compare exactly: "and" is no connector, so each rule counts on its own.
      {"A and B", [](R r) { return r[0] || r[1]; }},
  };
  for (const auto& [shape, expected] : shapes) {
    for (unsigned bits = 0; bits < 16; ++bits) {
      const bool r[4] = {(bits & 1u) != 0, (bits & 2u) != 0, (bits & 4u) != 0, (bits & 8u) != 0};
      EXPECT_EQ(verdict(shape, r), expected(r))
          << shape << " with " << r[0] << r[1] << r[2] << r[3];
    }
  }
  EXPECT_FALSE(EvaluateRules({}, MessageView{"anything", "anything", "anything"}));
}

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
