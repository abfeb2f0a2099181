#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../engine/engine_fixture.h"
#include "consent/suppression_list.h"
#include "engine/rule_line.h"
#include "store/address_check.h"
#include "store/text.h"
#include "subscriber_fixture.h"
#include "subscribers/csv_import.h"
#include "subscribers/csv_reader.h"
#include "subscribers/edit_dialog_rules.h"
#include "subscribers/new_email_rules.h"

namespace tidewell::testing {
namespace {

using namespace std::string_literals;
using consent::SuppressionList;
using subscribers::CsvPair;
using subscribers::Refusal;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct AddressCase {
  std::string address;
  std::string problem;  // empty when the address is taken in
};

const std::vector<AddressCase> kAddresses = {
    {"ann@example.org", ""},
    {"first.last+tag@mail.example.co.uk", ""},
    {"\"a@b, <c>\"@example.org", ""},
    {"\"say \\\"hi\\\"\"@example.org", ""},
    {"jörg@bücher.example", ""},
    {"x", "has no \"@\""},
    {"a@example.org> RCPT TO:<b@example.org>", "holds more than one \"@\""},
    {"@example.org", "has nothing before the \"@\""},
    {"ann@", "has nothing after the \"@\""},
    {"ann@localhost", "has a domain without a dot"},
    {"ann@example..org", "has an empty part in its domain"},
    {"ann@example.org>", "holds \">\""},
    {"ann smith@example.org", "holds a blank"},
    {"ann\r\n@example.org", "holds a control character"},
    {"<ann@example.org", "holds \"<\""},
    {"ann,bob@example.org", "holds \",\""},
    {"ann\"x@example.org", "holds \"\"\""},
    {"\"ann@example.org", "holds an unclosed quote"},
    {"\"ann\"x@example.org", "holds text between the quoted local part and the \"@\""},
    {"\"a\tb\"@example.org", "holds a control character"},
    {"\"a\\\r\"@example.org", "holds a control character"},
};

class AddressIntake : public EngineFixture {
 protected:
  AddressIntake() { title = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")}); }
  std::string title;
};

TEST_F(AddressIntake, EveryWayInTakesAndRefusesTheSameAddresses) {
  const subscribers::Refusal invalid{"Invalid Email Address!", "Email Address"};
  store::FilterRecord csvFilter = makeFilter(title);
  store::SubscriberTable imported = makeTable({}, {csvFilter});
  store::SubscriberTable edited = makeTable({subscriber("old@example.org", "Ann", title)});
  std::size_t taken = 0;
  for (const AddressCase& c : kAddresses) {
    SCOPED_TRACE(c.address);
    const bool refused = !c.problem.empty();
    EXPECT_EQ(store::addressProblem(c.address).value_or(""), c.problem);

    auto typed = subscribers::checkNewEmail(table, filters(), c.address, "Ann", title);
    EXPECT_EQ(typed, refused ? std::optional(invalid) : std::nullopt);

    auto edit = subscribers::leaveEditField(trap, edited, 0, c.address, "Ann", "12/5/2026");
    EXPECT_EQ(edit, refused ? std::optional(invalid) : std::nullopt);
    EXPECT_EQ(edited.record(0).email(), refused ? "old@example.org" : c.address);
    subscribers::leaveEditField(trap, edited, 0, "old@example.org", "Ann", "12/5/2026");

    writeBytes(folder / "list.csv",
               "\"" + store::replaceAll(c.address, "\"", "\"\"") + "\",Ann\r\n");
    auto report = subscribers::importCsv(trap, imported, folder / "list.csv", csvFilter,
                                         {{"email", 1}, {"name", 2}}, "~");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->imported, refused ? 0u : 1u);
    if (refused) {
      ASSERT_EQ(report->skipped.size(), 1u);
      EXPECT_THAT(report->skipped[0].reason, HasSubstr("Invalid Email Address! \""));
      EXPECT_THAT(report->skipped[0].reason, HasSubstr(c.problem));
    }

    deliver(message(c.address, "Ann", "join", ""));
    taken += refused ? 0 : 1;
  }
  engine().cmdCheckMail_click();
  ASSERT_EQ(table.size(), taken);
  std::size_t next = 0;
  std::size_t logged = 0;
  for (const AddressCase& c : kAddresses) {
    if (c.problem.empty()) {
      EXPECT_EQ(table.record(next++).email(), c.address);
    } else {
      ASSERT_LT(logged, logLines().size());
      EXPECT_THAT(logLines()[logged++], HasSubstr("not captured: Invalid Email Address!"));
    }
  }
  EXPECT_EQ(logLines().size(), logged);
}

TEST_F(AddressIntake, StoredOddAddressesStillLoadAndBlanksAroundAnImportedOneAreDropped) {
  std::vector<std::vector<std::string>> records;
  for (std::string odd : {"ann@localhost", "ann smith@example.org", "a@example.org>x"}) {
    records.push_back(recordLines(odd, "Odd", "12/5/2026", "true", title));
  }
  writeSubscribers(concat(records));
  ASSERT_TRUE(file.LoadSubscriberFile(table));
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table.record(1).email(), "ann smith@example.org");
  // Editing the name of such a record keeps it; only a new address is checked.
  EXPECT_FALSE(
      subscribers::leaveEditField(trap, table, 1, "ann smith@example.org", "Ann", "12/5/2026"));
  EXPECT_EQ(table.record(1).name(), "Ann");

  writeBytes(folder / "list.csv", "  bob@example.org \t,Bob\r\n");
  auto report = subscribers::importCsv(trap, table, folder / "list.csv", makeFilter(title),
                                       {{"email", 1}, {"name", 2}}, "~");
  ASSERT_TRUE(report);
  EXPECT_EQ(report->imported, 1u);
  EXPECT_EQ(table.record(3).email(), "bob@example.org");
}

// The suppression list: what it blocks, and that no road mails or takes in a blocked address
// (capture, CSV import, New Email, the sending pass, forced send); permanent failures fill it.
TEST(SuppressionListFile, BlocksAddressesDomainsAndHashesAndReadsImports) {
  TempFolder folder;
  SuppressionList list(folder / "Gold.suppressed");
  for (const char* entry : {"Ann@Example.org", "@spam.example", "nonsense", "@", "ann@example.org"})
    list.add(entry, {2026, 12, 5}, "manual");
  list.add(SuppressionList::hashKey("Gone@Example.org"), {2026, 12, 5}, "erased");
  list.save();
  const SuppressionList read(folder / "Gold.suppressed");
  EXPECT_EQ(readLines(folder / "Gold.suppressed").size(), 3u);
  for (const char* address :
       {"ann@example.org", "ANN@example.ORG", "x@spam.example", "gone@example.org"})
    EXPECT_TRUE(read.blocks(address)) << address;
  for (const char* address : {"joann@example.org", "x@notspam.example", "bob@example.org"})
    EXPECT_FALSE(read.blocks(address)) << address;
  auto imported = consent::readSuppressionImport(
      "email,name\r\n\"a@x.org\",A\r\nB <b@x.org>;B\r\n\r\n@x.net\r\nno address here\r\n");
  EXPECT_EQ(imported.keys, (std::vector<std::string>{"a@x.org", "@x.net"}));
  EXPECT_EQ(imported.skipped,
            (std::vector<std::string>{"line 3: no address or @domain in \"B <b@x.org>;B\"",
                                      "line 6: no address or @domain in \"no address here\""}));
}

class Suppression : public AddressIntake {
 protected:
  Suppression() {
    table.add(subscriber("ann@example.com", "Ann", title));
    table.add(subscriber("bob@blocked.example", "Bob", title));
    table.clearChanged();
    suppress({"ann@example.com", "@blocked.example", "cid@example.com"});
  }
  void suppress(const std::vector<std::string>& entries, const std::string& reason = "manual") {
    SuppressionList s(SuppressionList::pathFor(profilePath));
    for (const auto& e : entries) s.add(e, clock.today(), reason);
    s.save();
  }
};

TEST_F(Suppression, NoPassOrForcedSendMailsASuppressedAddress) {
  table.add(subscriber("dan@example.com", "Dan", title));
  int newsletter = addNewsletter(title, "All", "Hi");
  engine().VBSendMessage();
  engine().forcedSend({0, 1, 2}, newsletter);
  EXPECT_EQ(recipients(), (std::vector<std::string>{"dan@example.com", "dan@example.com"}));
  EXPECT_THAT(readBytes(folder / "errlog.txt"),
              HasSubstr("2 message(s) skipped: the address is on the suppression list"));
  EXPECT_THAT(readBytes(folder / "errlog.txt"),
              HasSubstr(" to bob@blocked.example skipped: the address is on the suppression list"));
  EXPECT_EQ(trap.reportCount(), 0);
}

TEST_F(Suppression, CaptureImportAndNewEmailKeepSuppressedAddressesOut) {
  deliver(message("cid@example.com", "Cid", "join", ""));
  deliver(message("eve@blocked.example", "Eve", "join", ""));
  deliver(message("fay@example.com", "Fay", "join", ""));
  engine().cmdCheckMail_click();
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table.record(2).email(), "fay@example.com");
  EXPECT_THAT(readBytes(folder / "errlog.txt"),
              HasSubstr("not captured: the address is on the suppression list (manual)"));

  const SuppressionList suppressed(SuppressionList::pathFor(profilePath));
  writeBytes(folder / "list.csv",
             "cid@example.com,Cid\r\nx@Blocked.example,X\r\ngil@example.com,G\r\n");
  auto report = subscribers::importCsv(trap, table, folder / "list.csv", filters().back(),
                                       {{"email", 1}, {"name", 2}}, "~", suppressed);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->imported, 1u);
  ASSERT_EQ(report->skipped.size(), 2u);
  EXPECT_EQ(report->skipped[0].line, 1u);
  EXPECT_EQ(report->skipped[1].reason, "\"x@Blocked.example\" is on the suppression list (manual)");

  auto refusal =
      subscribers::checkNewEmail(table, filters(), "new@blocked.example", "N", title, suppressed);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->message,
            "This address cannot be added: its domain @blocked.example is on the suppression list "
            "(manual, 12/5/2026). It is never mailed.");
}

TEST_F(Suppression, APermanentFailureSuppressesAndTheAddressOwnSignUpLiftsIt) {
  auto failure = message("mailer-daemon@mx.example.org", "", "Undelivered", "");
  failure.deliveryStatus =
      "Final-Recipient: rfc822; dan@example.com\r\nAction: failed\r\n"
      "Status: 5.1.1";
  table.add(subscriber("dan@example.com", "Dan", title));
  deliver(failure);
  engine().cmdCheckMail_click();
  EXPECT_TRUE(SuppressionList(SuppressionList::pathFor(profilePath)).blocks("dan@example.com"));
  EXPECT_EQ(table.active(2), "false");
  suppress({"hal@example.com"}, "bounce");
  deliver(message("hal@example.com", "Hal", "join", ""));  // from the address itself
  engine().cmdCheckMail_click();
  EXPECT_FALSE(SuppressionList(SuppressionList::pathFor(profilePath)).blocks("hal@example.com"));
  EXPECT_EQ(table.record(3).email(), "hal@example.com");
}

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
  EXPECT_EQ(subscribers::csvFileText("\xEF\xBB\xBFx,b"), "x,b");
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
