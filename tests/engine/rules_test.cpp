// Reading a message: rule lines and how rules combine, which filter claims it, and the personal
// fields read from a sign-up and put back into names and messages through placeholders.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "../subscribers/subscriber_fixture.h"
#include "engine/field_extraction.h"
#include "engine/filter_matcher.h"
#include "engine/personalisation.h"
#include "engine/placeholder_substitution.h"
#include "engine/rule_evaluation.h"
#include "engine/rule_line.h"
#include "engine/subscriber_index.h"
#include "support/test_support.h"

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
  EXPECT_EQ(table.active(0), "false");  // only the first record of the target filter
  for (store::Position p : {1, 2, 3}) EXPECT_EQ(table.active(p), "true") << p;
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

std::string repeatedFree(std::size_t times) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i) text += "_[/\\][\\/]";
  return text;
}

std::string key(const std::string& find, const std::string& until, const std::string& state,
                const std::string& target) {
  return find + "[\\/]" + until + "[\\/]" + target + "[\\/]" + state + "[\\/]" + target +
         "[\\/][/\\]";
}

// email input1, name input2, city inactive (no input name), phone input3.
store::FilterRecord sampleFilter() {
  store::FilterRecord f =
      makeFilter("News", "email:Email Address:on,name:Name:on,city:City:off,phone:Phone:on,");
  f.extractKeyTable = store::parseExtractKeys(
      key("Name:", "/n", "on", "name") + key("Phone:", "tab", "on", "phone") +
      key("City/n", "NEW LINE", "on", "city") + key("Zip:", "/n", "off", "city") +
      key("Fax:", ")", "on", "fax") + key("Missing:", "/n", "on", "name"));
  return f;
}

TEST(ExtractFields, FormMarkersAreReadKeysIgnoredAndSeparatorsInAValueKeepLaterFieldsInPlace) {
  store::FilterRecord filter = sampleFilter();
  const std::string body =
      "@@@input1@@@=  ann@x.com =@@@input1@@@\r\n@@@input2@@@=Ann [\\/]x[/\\]y=@@@input2@@@\r\n"
      "Name: Bob\r\nPhone: 555\tx\r\n";
  auto result = ExtractFields(body, filter);
  EXPECT_TRUE(result.formFound);
  // The inactive city field has no input name, so any "@@@" counts for it, with no value.
  EXPECT_EQ(result.pmf, "email[/\\]ann@x.com[\\/]name[/\\]Ann (\\/)x(/\\)y[\\/]city[/\\][\\/]" +
                            repeatedFree(38));
  EXPECT_EQ(result.fields[0].value + "|" + result.fields[1].value, "ann@x.com|Ann (\\/)x(/\\)y");
  EXPECT_EQ(ExtractValue(body, filter, 2, ExtractMode::kFormMarker), "");
}

TEST(ExtractFields, ExtractKeysReadPlainMessagesAndNothingFoundLeavesNoStaleValues) {
  store::FilterRecord filter = sampleFilter();
  const std::string body =
      "Hello\r\nName: Ann Lee\r\nPhone: 555 1234\tmobile\r\nCity\r\n  Paris  \r\n"
      "Fax: 123\r\nZip: 999\r\n";
  auto result = ExtractFields(body, filter);
  EXPECT_FALSE(result.formFound);
  // Keys in table order; a key whose until text never comes still yields its (empty) pair, and
  // a target outside the field table only reaches the PMF string.
  EXPECT_EQ(result.pmf,
            "name[/\\]Ann Lee[\\/]phone[/\\]555 1234[\\/]city[/\\]Paris[\\/]fax[/\\][\\/]" +
                repeatedFree(37));
  EXPECT_EQ(result.fields[0].value, "");
  EXPECT_EQ(result.fields[1].value + "|" + result.fields[2].value + "|" + result.fields[3].value,
            "Ann Lee|Paris|555 1234");
  EXPECT_EQ(ExtractValue("Name: Ann", filter, 0, ExtractMode::kExtractKey), "");
  EXPECT_EQ(ExtractValue("a) Fax: 1", filter, 4, ExtractMode::kExtractKey), "");
  EXPECT_EQ(ExtractValue("Fax: 1 (2) 3)", filter, 4, ExtractMode::kExtractKey), "1 (2");
  // Nothing found gives free slots and no stale values.
  filter.fieldTable[0].value = "old@x.com";
  filter.fieldTable[1].value = "Earlier Message";
  auto nothing = ExtractFields("Just saying hello", filter);
  EXPECT_FALSE(nothing.formFound);
  EXPECT_EQ(nothing.pmf, repeatedFree(41));
  EXPECT_EQ(nothing.fields[0].value + nothing.fields[1].value, "");
}

TEST(ExtractFields, IncompleteMarkersGiveEmptyValues) {
  store::FilterRecord filter;
  std::string fields;
  for (int i = 1; i <= 11; ++i) fields += "f" + std::to_string(i) + ":F:on,";
  filter.fieldTable = store::parseFieldTable(fields);
  // "@@@input1" is the start of input10's and input11's markers; input11's end is missing.
  const std::string body = "@@@input10@@@=ten=@@@input10@@@ @@@input11@@@= eleven";
  auto result = ExtractFields(body, filter);
  EXPECT_TRUE(result.formFound);
  EXPECT_EQ(result.fields[0].value, "");
  EXPECT_EQ(result.fields[9].value, "ten");
  EXPECT_EQ(result.fields[10].value, "");
  EXPECT_EQ(result.pmf.find("f1[/\\][\\/]"), 0u);
  EXPECT_NE(result.pmf.find("[\\/]f10[/\\]ten[\\/]f11[/\\][\\/]_[/\\]"), std::string::npos);
}

store::FieldTable subscriberFields(const std::vector<std::pair<std::string, std::string>>& items,
                                   bool active = true) {
  store::FieldTable fields;
  for (std::size_t i = 0; i < items.size(); ++i) {
    fields[i].name = items[i].first;
    fields[i].value = items[i].second;
    fields[i].active = active;
  }
  return fields;
}

class FillFields3 : public ::testing::Test, public TrapFixture {
 protected:
  std::string fill(const std::string& toname, const store::FieldTable& fields,
                   const std::string& delimiter = "~") {
    return engine::f_fill_fields3(
        trap, fields, makeFilter("Filter_1", "email:Email Address:on,name:Name:on,", toname),
        delimiter);
  }
};

TEST_F(FillFields3, PlaceholdersAreFilledFromActiveFieldsLeftToRightInTwoPasses) {
  auto ann = subscriberFields({{"email", "ann@x.com"}, {"name", "Ann"}});
  EXPECT_EQ(fill("Dear ~name~,", ann), "Dear Ann,");
  EXPECT_EQ(fill("Dear ~name~,", subscriberFields({{"email", "a"}, {"name", "Ann"}}, false)),
            "Dear ,");
  EXPECT_EQ(fill("~name~ and ~name~", ann), "Ann and Ann");
  EXPECT_EQ(fill("~Name~ <~EMAIL~>", ann), "Ann <ann@x.com>");
  EXPECT_EQ(fill("~name~ costs 5~", ann), "Ann costs 5~");
  EXPECT_EQ(fill("~unknown~!", ann), "!");
  EXPECT_EQ(fill("no placeholders", ann), "no placeholders");
  EXPECT_EQ(fill("", ann), "");
  EXPECT_EQ(fill("!", ann), "");  // an absent toname key
  EXPECT_EQ(fill("~name~", ann, ""), "~name~");
  EXPECT_EQ(fill("%%NAME%%!", ann, "%%"), "Ann!");
  EXPECT_EQ(fill("{{NAME}}!", ann, "{{"), "{{NAME}}!");
  EXPECT_TRUE(logLines().empty());
  auto odd = subscriberFields({{"email", "a~b"}, {"name", "Ann"}});
  // Two passes from the template's four delimiters: "a~b" then "~b ~" is taken as a name.
  EXPECT_EQ(fill("~email~ ~name~", odd), "aname~");
}

TEST(PlaceholderSubstitution, ExactComparisonRemovesAPlaceholderOfOtherCase) {
  auto lookup = [](std::string_view name) {
    return name == "name" ? std::string("Ann") : std::string();
  };
  EXPECT_EQ(engine::substitutePlaceholders("Hi ~Name~ ~name~", "~", NameComparison::kExact, lookup),
            "Hi  Ann");
  EXPECT_EQ(engine::substitutePlaceholders("Hi XnameX", "x", NameComparison::kIgnoreCase, lookup),
            "Hi Ann");
  EXPECT_EQ(engine::substitutePlaceholders("Hi XnameX", "x", NameComparison::kExact, lookup),
            "Hi XnameX");
}

}  // namespace
}  // namespace tidewell::testing
