#include <gtest/gtest.h>

#include "engine/personalisation.h"
#include "engine/placeholder_substitution.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using engine::NameComparison;

store::FilterRecord filterWith(const std::string& fields, const std::string& toname) {
  store::FilterRecord f;
  f.title = "Filter_1";
  f.fieldTable = store::parseFieldTable(fields);
  f.toname = toname;
  return f;
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
    return engine::f_fill_fields3(trap, fields, filterWith(kFields, toname), delimiter);
  }
  static constexpr const char* kFields = "email:Email Address:on,name:Name:on,";
};

TEST_F(FillFields3, PlaceholdersAreFilledFromActiveFieldsLeftToRight) {
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
}

TEST_F(FillFields3, AValueHoldingTheDelimiterIsSeenByLaterPasses) {
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
