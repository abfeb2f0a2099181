// Status codes found in server texts, and the class each failure gets.
#include <gtest/gtest.h>

#include "engine/bounce_class.h"
#include "engine/report_text.h"

namespace tidewell::testing {
namespace {

using engine::BounceClass;

TEST(BounceClass, StatusCodeIsTheFirstEnhancedCodeElseTheReplyCode) {
  const std::pair<const char*, const char*> cases[] = {
      {"452 4.2.2 mailbox full, limit 5500 MB", "4.2.2"},
      {"host 10.2.3.4 said: 550 no such user", "550"},  // an IP address is no code
      {"Sorry, no mailbox here by that name. (#5.1.1)", "5.1.1"},
      {"550 5.7.26 DMARC policy", "5.7.26"},
      {"version 2.10.1.4 of the server", ""},
      {"limit 5500 MB, 12345 bytes", ""},
      {"421-4.7.0 try later", "4.7.0"},
      {"", ""}};
  for (auto [text, code] : cases) EXPECT_EQ(engine::findStatusCode(text), code) << text;
}

TEST(BounceClass, OnlyAddressFailuresArePermanent) {
  struct Case {
    const char* status;
    const char* text;
    bool delayed;
    BounceClass expected;
  };
  const Case cases[] = {
      {"5.1.1", "", false, BounceClass::kPermanent},
      {"5.2.1", "account disabled", false, BounceClass::kPermanent},
      {"5.5.0", "mailbox unavailable", false, BounceClass::kPermanent},
      {"5.5.0", "rejected as spam", false, BounceClass::kPolicy},
      {"5.7.1", "user unknown", false, BounceClass::kPolicy},
      {"5.7.26", "", false, BounceClass::kPolicy},
      {"5.2.2", "", false, BounceClass::kTemporary},
      {"4.2.2", "user unknown", false, BounceClass::kTemporary},
      {"5.1.1", "", true, BounceClass::kTemporary},  // a delay report is never final
      {"5.0.0", "no such user here", false, BounceClass::kPermanent},
      {"5.0.0", "", false, BounceClass::kUnknown},
      {"5.4.6", "routing loop", false, BounceClass::kUnknown},
      {"550", "requested action not taken", false, BounceClass::kUnknown},
      {"552", "mailbox over quota", false, BounceClass::kTemporary},
      {"451", "", false, BounceClass::kTemporary},
      {"554", "your ip is listed at zen.spamhaus.org", false, BounceClass::kPolicy},
      {"", "the address does not exist", false, BounceClass::kPermanent},
      {"", "will retry for 5 days", false, BounceClass::kTemporary},
      {"", "hello", false, BounceClass::kUnknown}};
  for (const Case& c : cases) {
    EXPECT_EQ(engine::classifyFailure(c.status, c.text, c.delayed), c.expected)
        << c.status << " " << c.text;
  }
}

TEST(ReportText, AddressesAndReportFieldValues) {
  auto found = engine::addressesIn("to <Ann.Lee@Example.org>, bob@x.co. and ann@localhost ok@.x");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].address, "Ann.Lee@Example.org");
  EXPECT_EQ(found[1].address, "bob@x.co");
  EXPECT_EQ(engine::addressOfField("rfc822; <Ann@Example.org>"), "ann@example.org");
  EXPECT_EQ(engine::addressOfField("RFC822;bob@x.co"), "bob@x.co");
  EXPECT_EQ(engine::addressOfField("x400; /C=US/S=Ann/"), "");
  EXPECT_EQ(engine::addressOfField("rfc822; ann@x.co bob@x.co"), "");
}

}  // namespace
}  // namespace tidewell::testing
