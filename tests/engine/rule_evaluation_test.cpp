#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "engine/rule_evaluation.h"
#include "engine/rule_line.h"

namespace tidewell::testing {
namespace {

using namespace tidewell::engine;

bool holds(const std::string& line, std::string_view subject, std::string_view body = "",
           std::string_view sender = "") {
  return testRule(compileRule(line), MessageView{subject, body, sender});
}

TEST(RuleLine, FieldsStoredAndDisplayForms) {
  const std::string line = "<1<Subject>1> <2<Has>2> <3< join list >3> <4<Or>4>";
  EXPECT_EQ(ff_get_field(line, 1), "Subject");
  EXPECT_EQ(ff_get_field(line, 3), " join list ");
  EXPECT_EQ(ff_get_field(line, 4), "Or");

  const std::string noConnector = makeRuleLine("Body", "Has", "free", "  ");
  EXPECT_EQ(noConnector, "<1<Body>1> <2<Has>2> <3<free>3>");
  EXPECT_EQ(ff_get_field(noConnector, 4), "");
  EXPECT_EQ(ff_get_field_editor(noConnector, 4), "!");
  EXPECT_EQ(makeRuleLine("From", "Has", "news", "And"),
            "<1<From>1> <2<Has>2> <3<news>3> <4<And>4>");

  // The first closing tag counts, even when it comes before the opening one.
  EXPECT_EQ(ff_get_field("<3<a>3>b>3>", 3), "a");
  EXPECT_EQ(ff_get_field(">3> <3<late", 3), "");
  EXPECT_EQ(ff_get_field_editor(">4> no opening", 4), "");

  // The display form quotes the keyword and drops the other tags.
  EXPECT_EQ(ruleDisplayText("<1<Subject>1> <2<Has>2> <3<join list>3> <4<Or>4>"),
            "Subject Has \"join list\" Or");
  EXPECT_EQ(ruleDisplayText(makeRuleLine("From", "Has", "news", "")), "From Has \"news\"");
  EXPECT_EQ(ruleDisplayText(makeRuleLine("Subject", "=", "Anmeldung für", "And")),
            "Subject = \"Anmeldung für\" And");

  EXPECT_EQ(ff_strip_delimiter("aXbxcX", "x"), "abc");
  EXPECT_EQ(ff_strip_delimiter("<3<q>3>", "<3<"), "\"q>3>");
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

}  // namespace
}  // namespace tidewell::testing
