#include <gtest/gtest.h>

#include "engine/field_extraction.h"

namespace tidewell::testing {
namespace {

using engine::ExtractFields;
using engine::ExtractMode;
using engine::ExtractValue;

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

}  // namespace
}  // namespace tidewell::testing
