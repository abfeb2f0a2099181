#include <gtest/gtest.h>

#include "engine/bounce_handling.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using engine::ExtractLabeledValue;
using engine::SubscriberIndex;

mail::IncomingMessage report(const std::vector<std::string>& lines) {
  mail::IncomingMessage message;
  message.subject = "Undelivered Mail Returned to Sender";
  message.fullText = crlf(lines);
  return message;
}

store::SubscriberData subscriber(const std::string& email, const std::string& title) {
  store::SubscriberData data;
  data.email = email;
  data.filterTitle = title;
  return data;
}

class Deactivation : public ::testing::Test {
 protected:
  Deactivation() {
    const char* records[][2] = {{"ann@x.com", "News"},
                                {"ann@x.com", "Tips"},
                                {"Ann@X.com", "News"},
                                {"bob@x.com", "News"},
                                {"ann@x.com", "News"}};
    for (auto& r : records) table.add(subscriber(r[0], r[1]));
    table.clearChanged();
  }
  std::string actives() const {
    std::string flags;
    for (store::Position p = 0; p < table.size(); ++p)
      flags += table.active(p) == "true" ? 'T' : 'F';
    return flags;
  }
  void failure(const mail::IncomingMessage& message, std::string_view setting) {
    SubscriberIndex folded(table, SubscriberIndex::Comparison::kIgnoreCase);
    engine::applyDeliveryFailure(table, folded, message, setting);
  }

  store::SubscriberTable table;
};

TEST(ExtractLabeledValue, TrimmedTextAfterTheLabelUpToTheTerminator) {
  const std::string text = "X: 1\r\nACTION:  failed \r\nFINAL-RECIPIENT: RFC822; <A@B.C> x\r\n";
  EXPECT_EQ(ExtractLabeledValue(text, "ACTION:", ""), "failed");
  EXPECT_EQ(ExtractLabeledValue("ACTION: failed\nNEXT", "ACTION:", ""), "failed");
  EXPECT_EQ(ExtractLabeledValue(text, "FINAL-RECIPIENT:", ">"), "A@B.C");
  EXPECT_EQ(ExtractLabeledValue("TO: <  a@b.c >", "TO:", ">"), "a@b.c");
  EXPECT_EQ(ExtractLabeledValue(text, "STATUS:", ""), "");
  EXPECT_EQ(ExtractLabeledValue("ACTION: failed", "ACTION:", ""), "");
  EXPECT_EQ(ExtractLabeledValue("X: <a> Y: b", "Y:", ">"), "");  // terminator before the label
}

TEST(DeliveryReport, FailureAndRecipientAreReadAsReportsWriteThem) {
  auto bracketed = engine::readDeliveryReport(
      report({"Reporting-MTA: dns; mx.x.com", "", "Final-Recipient: rfc822; <Ann@X.com>",
              "Action: failed", "Status: 5.1.1"}));
  EXPECT_TRUE(bracketed.failed);
  EXPECT_EQ(bracketed.recipient, "ANN@X.COM");

  auto plain = engine::readDeliveryReport(
      report({"Final-Recipient: rfc822; ann@x.com", "Diagnostic-Code: smtp; 554 5.7.1 rejected"}));
  EXPECT_TRUE(plain.failed);
  EXPECT_EQ(plain.recipient, "ANN@X.COM");

  EXPECT_TRUE(engine::readDeliveryReport(report({"Diagnostic Code: 553 no such user"})).failed);
  EXPECT_EQ(engine::readDeliveryReport(report({"Final Recipient: <bob@x.com>"})).recipient,
            "BOB@X.COM");

  auto delayed = engine::readDeliveryReport(
      report({"Final-Recipient: rfc822;ann@x.com", "Action: delayed",
              "Diagnostic-Code: smtp; 451 4.7.1 try again", "Subject: Re: order 5500"}));
  EXPECT_FALSE(delayed.failed);
  EXPECT_EQ(delayed.recipient, "ANN@X.COM");
  EXPECT_FALSE(engine::readDeliveryReport(report({"Action: failed later"})).failed);

  // The delivery-status part, when there is one, is what is read.
  mail::IncomingMessage withPart = report({"Action: delayed"});
  withPart.deliveryStatus = crlf({"Final-Recipient: rfc822; bob@x.com", "Action: failed"});
  auto fromPart = engine::readDeliveryReport(withPart);
  EXPECT_TRUE(fromPart.failed);
  EXPECT_EQ(fromPart.recipient, "BOB@X.COM");
}

TEST_F(Deactivation, FailureReportSwitchesTheAddressOffInEveryListIgnoringCase) {
  const auto failed = report({"Final-Recipient: rfc822; <ANN@x.com>", "Action: failed"});
  failure(failed, "false");
  failure(failed, "True");
  failure(report({"Final-Recipient: rfc822; ann@x.com", "Action: delivered"}), "true");
  failure(report({"Action: failed"}), "true");
  EXPECT_EQ(actives(), "TTTTT");
  EXPECT_FALSE(table.changed());

  failure(failed, "true");
  EXPECT_EQ(actives(), "FFFTF");
  EXPECT_TRUE(table.changed());

  table.setActive(0, "true");
  failure(report({"Final-Recipient: rfc822; ann@x.com", "Diagnostic-Code: smtp; 550"}), "true");
  EXPECT_EQ(actives(), "FFFTF");
}

TEST_F(Deactivation, OptOutSwitchesOffTheExactAddressInThatListOnly) {
  SubscriberIndex exact(table, SubscriberIndex::Comparison::kExact);
  engine::DeactivateSubscriber(table, exact, "ann@x.com", "Trial");
  engine::DeactivateSubscriber(table, exact, "ann@x.com", "news");
  EXPECT_EQ(actives(), "TTTTT");
  EXPECT_FALSE(table.changed());

  engine::DeactivateSubscriber(table, exact, "ann@x.com", "News");
  EXPECT_EQ(actives(), "FTTTF");
  EXPECT_TRUE(table.changed());
}

}  // namespace
}  // namespace tidewell::testing
