#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/pmf_string.h"
#include "subscriber_fixture.h"
#include "subscribers/csv_import.h"
#include "subscribers/csv_reader.h"

namespace tidewell::testing {
namespace {

using ::testing::ElementsAre;
using namespace std::string_literals;
using subscribers::CsvPair;
using subscribers::Refusal;

std::vector<subscribers::CsvRecord> readAll(std::string_view text) {
  subscribers::CsvReader reader(text);
  std::vector<subscribers::CsvRecord> records;
  subscribers::CsvRecord r;
  while (reader.next(r)) records.push_back(r);
  return records;
}

TEST(CsvReader, QuotedValuesAsRfc4180WritesThem) {
  auto records = readAll(
      "a@x.com,\"Smith, John\",\"say \"\"hi\"\"\"\r\n"
      "\r\n"
      "b@x.com,\"two\r\nlines\",x\"y\n"
      "c@x.com,,\n"
      "d@x.com");
  ASSERT_EQ(records.size(), 4u);
  EXPECT_THAT(records[0].values, ElementsAre("a@x.com", "Smith, John", "say \"hi\""));
  EXPECT_EQ(records[1].lineNumber, 3u);
  EXPECT_THAT(records[1].values, ElementsAre("b@x.com", "two\r\nlines", "x\"y"));
  EXPECT_EQ(records[2].lineNumber, 5u);
  EXPECT_THAT(records[2].values, ElementsAre("c@x.com", "", ""));
  EXPECT_THAT(records[3].values, ElementsAre("d@x.com"));
}

TEST(CsvReader, UnbalancedQuotesAndBinaryLinesAreBadAndReadingGoesOn) {
  auto records = readAll("\"open,value\nb@x.com,B\n\"x\"y,z\nc@x\0.com,C\n\"never closed"s);
  ASSERT_EQ(records.size(), 5u);
  EXPECT_THAT(records[0].problem, ::testing::HasSubstr("quoted value"));
  EXPECT_THAT(records[1].values, ElementsAre("b@x.com", "B"));
  EXPECT_EQ(records[1].lineNumber, 2u);
  EXPECT_FALSE(records[2].problem.empty());
  EXPECT_THAT(records[3].problem, ::testing::HasSubstr("NUL"));
  EXPECT_EQ(records[4].lineNumber, 5u);
  EXPECT_FALSE(records[4].problem.empty());
}

TEST(CsvReader, ByteOrderMarkIsDroppedAndOtherCodePagesAreConverted) {
  EXPECT_EQ(subscribers::csvFileText("\xEF\xBB\xBF"
                                     "a,b"),
            "a,b");
  EXPECT_EQ(subscribers::csvFileText("Jos\xE9,x"), "Jos\xC3\xA9,x");
}

TEST(CsvPairing, FieldsAndColumnsMustMatchInNumber) {
  auto filter = makeFilter("F", "email:Email Address:on,name:Name:on,nick::on,city:City:off,");
  EXPECT_THAT(subscribers::offeredFields(filter), ElementsAre("email", "name"));
  EXPECT_THAT(subscribers::csvColumnNames(3), ElementsAre("Column 1", "Column 2", "Column 3"));
  subscribers::CsvImportPairing pairing;
  pairing.chooseFilter(filter);
  pairing.selectColumns({"Column 1", "Column 2", "Column 3"});
  EXPECT_EQ(pairing.pair("email", "Column 1"),
            (Refusal{"There are too many Columns!", "Mismatch"}));
  pairing.selectColumns({"Column 2"});
  EXPECT_EQ(pairing.pair("email", "Column 2"),
            (Refusal{"There are too many Personal Message Fields!", "Mismatch"}));
  pairing.selectColumns({"Column 1", "Column 3"});
  EXPECT_EQ(pairing.pair("email", "Column 3"), std::nullopt);
  EXPECT_EQ(pairing.pair("Name", "Column 1"), std::nullopt);  // no such field: nothing paired
  EXPECT_THAT(pairing.pairTexts(), ElementsAre("email -> Column 3"));
  EXPECT_THAT(pairing.availableColumns(), ElementsAre("Column 1"));
  pairing.chooseFilter(filter);  // another filter empties the pairs
  EXPECT_TRUE(pairing.pairs().empty());
  EXPECT_THAT(pairing.availableColumns(), ElementsAre("Column 1", "Column 3"));
  EXPECT_THAT(pairing.availableFields(), ElementsAre("email", "name"));
}

class CsvImportTest : public ::testing::Test, public TrapFixture {
 protected:
  std::optional<subscribers::CsvImportReport> import(const std::string& bytes,
                                                     const std::vector<CsvPair>& pairs) {
    writeBytes(folder / "list.csv", bytes);
    return subscribers::importCsv(trap, table, folder / "list.csv", filter, pairs, "~");
  }
  store::FilterRecord filter = makeFilter(
      "Filter_1", "email:Email Address:on,name:Name:on,last:Last Name:on,", "~name~ ~Last~");
  store::SubscriberTable table;
};

TEST_F(CsvImportTest, EveryLineBecomesAnActiveSubscriberAfterTheExistingOnes) {
  auto report = import("x,a@x.com,Ann,Lee\nx,b@x.com,Bob\n\nx,\"c@x.com\",\"Cid, Jr\",Doe\n",
                       {{"email", 2}, {"name", 3}, {"last", 4}});
  ASSERT_TRUE(report);
  EXPECT_EQ(report->imported, 3u);
  EXPECT_TRUE(report->skipped.empty());
  ASSERT_EQ(table.size(), 3u);  // the placeholder took the first line
  EXPECT_TRUE(table.changed());
  EXPECT_EQ(rowOf(table, 0), "a@x.com|Ann Lee|12/5/2026|true|Filter_1|none");
  EXPECT_EQ(rowOf(table, 1), "b@x.com|Bob |12/5/2026|true|Filter_1|none");
  EXPECT_EQ(rowOf(table, 2), "c@x.com|Cid, Jr Doe|12/5/2026|true|Filter_1|none");
  EXPECT_EQ(table.pmf(1), pmfOf({{"email", "b@x.com"}, {"name", "Bob"}, {"last", ""}}));

  report = import("d@x.com\n", {{"email", 1}});
  EXPECT_EQ(table.size(), 4u);
}

TEST_F(CsvImportTest, LinesWithoutAnAddressAndBadLinesAreSkippedAndReported) {
  auto report =
      import("Ann,a@x.com\nBob,\n\"Cid,c@x.com\n  ,  \nDee,d@x.com\n", {{"name", 1}, {"email", 2}});
  ASSERT_TRUE(report);
  EXPECT_EQ(report->imported, 2u);
  ASSERT_EQ(report->skipped.size(), 3u);
  EXPECT_EQ(report->skipped[0].line, 2u);
  EXPECT_EQ(report->skipped[0].reason, "empty address");
  EXPECT_EQ(report->skipped[1].line, 3u);
  EXPECT_THAT(report->skipped[1].reason, ::testing::StartsWith("bad line"));
  EXPECT_EQ(report->skipped[2].line, 4u);

  // Field names are compared exactly: "Email" pairs with nothing, so no line has an address.
  report = import("a@x.com\n", {{"Email", 1}});
  EXPECT_EQ(report->imported, 0u);
}

TEST_F(CsvImportTest, AMissingFileIsReportedAndImportsNothing) {
  EXPECT_FALSE(
      subscribers::importCsv(trap, table, folder / "none.csv", filter, {{"email", 1}}, "~"));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "CSV file does not exist!");
  EXPECT_TRUE(table.isEmpty());
}

}  // namespace
}  // namespace tidewell::testing
