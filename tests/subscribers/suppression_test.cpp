// The suppression list: what it blocks, and that no road mails or takes in a blocked address
// (capture, CSV import, New Email, the sending pass, forced send); permanent failures fill it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../engine/engine_fixture.h"
#include "consent/suppression_list.h"
#include "engine/rule_line.h"
#include "subscribers/csv_import.h"
#include "subscribers/new_email_rules.h"

namespace tidewell::testing {
namespace {

using consent::SuppressionList;
using ::testing::HasSubstr;

TEST(SuppressionListFile, BlocksAddressesDomainsAndHashesAndReadsImports) {
  TempFolder folder;
  SuppressionList list(folder / "Gold.suppressed");
  for (const char* entry : {"Ann@Example.org", "@spam.example", "nonsense", "@", "ann@example.org"})
    list.add(entry, {2026, 12, 5}, "manual");
  list.add(SuppressionList::hashKey("Gone@Example.org"), {2026, 12, 5}, "erased");
  list.save();
  const SuppressionList read(folder / "Gold.suppressed");
  EXPECT_EQ(readLines(folder / "Gold.suppressed").size(), 3u);
  struct Case {
    const char* address;
    bool blocked;
  };
  for (const Case& c : std::vector<Case>{{"ann@example.org", true},
                                         {"ANN@example.ORG", true},
                                         {"joann@example.org", false},
                                         {"x@spam.example", true},
                                         {"x@notspam.example", false},
                                         {"gone@example.org", true},
                                         {"bob@example.org", false}}) {
    EXPECT_EQ(read.blocks(c.address), c.blocked) << c.address;
  }
  auto imported = consent::readSuppressionImport(
      "email,name\r\n\"a@x.org\",A\r\nB <b@x.org>;B\r\n\r\n@x.net\r\nno address here\r\n");
  EXPECT_EQ(imported.keys, (std::vector<std::string>{"a@x.org", "@x.net"}));
  EXPECT_EQ(imported.skipped,
            (std::vector<std::string>{"line 3: no address or @domain in \"B <b@x.org>;B\"",
                                      "line 6: no address or @domain in \"no address here\""}));
}

class Suppression : public EngineFixture {
 protected:
  Suppression() {
    list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")});
    table.add(subscriber("ann@example.com", "Ann", list));
    table.add(subscriber("bob@blocked.example", "Bob", list));
    table.clearChanged();
    suppress({"ann@example.com", "@blocked.example", "cid@example.com"});
  }
  void suppress(const std::vector<std::string>& entries, const std::string& reason = "manual") {
    SuppressionList s(SuppressionList::pathFor(profilePath));
    for (const auto& e : entries) s.add(e, clock.today(), reason);
    s.save();
  }
  std::string list;
};

TEST_F(Suppression, NoPassOrForcedSendMailsASuppressedAddress) {
  table.add(subscriber("dan@example.com", "Dan", list));
  int newsletter = addNewsletter(list, "All", "Hi");
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
      subscribers::checkNewEmail(table, filters(), "new@blocked.example", "N", list, suppressed);
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
  table.add(subscriber("dan@example.com", "Dan", list));
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

}  // namespace
}  // namespace tidewell::testing
