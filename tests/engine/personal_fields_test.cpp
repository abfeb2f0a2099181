// Personal fields: read from a sign-up (the web form's markers or the filter's extract keys)
// and put back into names and messages through placeholders.
#include <gtest/gtest.h>

#include "engine/field_extraction.h"
#include "engine/personalisation.h"
#include "engine/placeholder_substitution.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using engine::ExtractFields;
using engine::ExtractMode;
using engine::ExtractValue;
using engine::NameComparison;

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
  store::FilterRecord f;
  f.title = "News";
  f.fieldTable =
      store::parseFieldTable("email:Email Address:on,name:Name:on,city:City:off,phone:Phone:on,");
  f.extractKeyTable = store::parseExtractKeys(
      key("Name:", "/n", "on", "name") + key("Phone:", "tab", "on", "phone") +
      key("City/n", "NEW LINE", "on", "city") + key("Zip:", "/n", "off", "city") +
      key("Fax:", ")", "on", "fax") + key("Missing:", "/n", "on", "name"));
  return f;
}

TEST(ExtractFields, FormMarkersAreReadAndKeysAreThenIgnored) {
  store::FilterRecord filter = sampleFilter();
  const std::string body =
      "@@@input1@@@=  ann@x.com =@@@input1@@@\r\n@@@input2@@@=Ann Lee=@@@input2@@@\r\n"
      "Name: Bob\r\nPhone: 555\tx\r\n";
  auto result = ExtractFields(body, filter);
  EXPECT_TRUE(result.formFound);
  // The inactive city field has no input name, so any "@@@" counts for it, with no value.
  EXPECT_EQ(result.pmf,
            "email[/\\]ann@x.com[\\/]name[/\\]Ann Lee[\\/]city[/\\][\\/]" + repeatedFree(38));
  EXPECT_EQ(result.fields[0].value, "ann@x.com");
  EXPECT_EQ(result.fields[1].value, "Ann Lee");
  EXPECT_EQ(ExtractValue(body, filter, 2, ExtractMode::kFormMarker), "");
}

TEST(ExtractFields, SeparatorsInAValueKeepLaterFieldsInPlace) {
  store::FilterRecord filter = sampleFilter();
  const std::string body =
      "@@@input1@@@=ann@x.com=@@@input1@@@\r\n@@@input2@@@=Ann [\\/]x[/\\]y=@@@input2@@@\r\n";
  auto result = ExtractFields(body, filter);
  EXPECT_EQ(result.fields[1].value, "Ann (\\/)x(/\\)y");
  EXPECT_EQ(result.pmf, "email[/\\]ann@x.com[\\/]name[/\\]Ann (\\/)x(/\\)y[\\/]city[/\\][\\/]" +
                            repeatedFree(38));
}

TEST(ExtractFields, ExtractKeysReadPlainMessages) {
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
  EXPECT_EQ(result.fields[1].value, "Ann Lee");
  EXPECT_EQ(result.fields[2].value, "Paris");
  EXPECT_EQ(result.fields[3].value, "555 1234");

  EXPECT_EQ(ExtractValue("Name: Ann", filter, 0, ExtractMode::kExtractKey), "");
  EXPECT_EQ(ExtractValue("a) Fax: 1", filter, 4, ExtractMode::kExtractKey), "");
  EXPECT_EQ(ExtractValue("Fax: 1 (2) 3)", filter, 4, ExtractMode::kExtractKey), "1 (2");
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

TEST(ExtractFields, NothingFoundGivesFreeSlotsAndNoStaleValues) {
  store::FilterRecord filter = sampleFilter();
  filter.fieldTable[0].value = "old@x.com";
  filter.fieldTable[1].value = "Earlier Message";
  auto result = ExtractFields("Just saying hello", filter);
  EXPECT_FALSE(result.formFound);
  EXPECT_EQ(result.pmf, repeatedFree(41));
  EXPECT_EQ(result.fields[0].value, "");
  EXPECT_EQ(result.fields[1].value, "");
}

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
