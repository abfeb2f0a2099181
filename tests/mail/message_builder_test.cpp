// What goes out must be well-formed MIME with CR LF line ends, UTF-8 text, encoded headers,
// and no header that data could smuggle in. Attachment bytes are checked end to end in
// smtp_client_test.cpp.
#include <gtest/gtest.h>

#include <string>

#include "mail/message_builder.h"
#include "mail/message_parser.h"

namespace tidewell::mail {
namespace {

OutgoingMessage plainMessage() {
  OutgoingMessage m;
  m.fromName = "List Owner";
  m.fromAddress = "owner@example.org";
  m.toName = "Alice Example";
  m.toAddress = "alice@example.net";
  m.replyTo = "replies@example.org";
  m.subject = "Welcome";
  m.body = "Hello Alice,\nthanks for signing up.\n";
  return m;
}

std::string headerBlock(const std::string& data) {
  return data.substr(0, data.find("\r\n\r\n"));
}

bool hasHeaderLine(const std::string& data, const std::string& name) {
  const std::string headers = "\r\n" + headerBlock(data);
  return headers.find("\r\n" + name + ":") != std::string::npos;
}

TEST(MessageBuilder, WritesTheHeadersAMailerNeedsAndLeavesOutAnEmptyReplyTo) {
  OutgoingMessage m = plainMessage();
  std::string data = MessageBuilder::build(m).data;
  for (const char* name :
       {"From", "To", "Reply-To", "Subject", "Date", "Message-Id", "MIME-Version"})
    EXPECT_TRUE(hasHeaderLine(data, name)) << name << " missing in\n" << headerBlock(data);
  EXPECT_NE(data.find("List Owner <owner@example.org>"), std::string::npos);
  EXPECT_NE(data.find("Alice Example <alice@example.net>"), std::string::npos);
  EXPECT_NE(data.find("@example.org>"), std::string::npos)
      << "Message-ID not in the sender's domain";
  EXPECT_NE(data.find("text/plain; charset=utf-8"), std::string::npos) << "plain ASCII too";
  m.replyTo.clear();
  EXPECT_FALSE(hasHeaderLine(MessageBuilder::build(m).data, "Reply-To"));
}

TEST(MessageBuilder, UsesOnlyCrLfLineEndsWhateverTheBodyHolds) {
  OutgoingMessage m = plainMessage();
  m.body = "unix\nwindows\r\nold mac\rend";
  const std::string data = MessageBuilder::build(m).data;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\n') {
      ASSERT_TRUE(i > 0 && data[i - 1] == '\r') << "bare LF at " << i;
    }
    if (data[i] == '\r') {
      ASSERT_TRUE(i + 1 < data.size() && data[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  EXPECT_EQ(MessageParser::parse(data, "").body, "unix\r\nwindows\r\nold mac\r\nend\r\n");
}

TEST(MessageBuilder, EncodesNonAsciiHeadersAndTheyReadBack) {
  OutgoingMessage m = plainMessage();
  m.fromName = "J\xc3\xbcrgen M\xc3\xbcller";
  m.subject =
      "Gr\xc3\xbc\xc3\x9f"
      "e \xe2\x80\x93 \xe6\x97\xa5\xe6\x9c\xac";
  const std::string data = MessageBuilder::build(m).data;
  for (unsigned char c : headerBlock(data)) ASSERT_LT(c, 0x80) << "raw 8-bit byte in headers";
  const IncomingMessage back = MessageParser::parse(data, "");
  EXPECT_EQ(back.subject, m.subject);
  EXPECT_EQ(back.senderName, m.fromName);
  EXPECT_EQ(back.senderAddress, "owner@example.org");
}

TEST(MessageBuilder, DataCannotAddHeaders) {
  OutgoingMessage m = plainMessage();
  m.toName = "Mallory\r\nBcc: victim@example.com";
  m.fromName = "Owner\nX-Injected: 1";
  m.subject = "Hi\r\nCc: other@example.com";
  m.replyTo = "r@example.org\r\nX-Also: 2";
  const std::string data = MessageBuilder::build(m).data;
  for (const char* name : {"Bcc", "Cc", "X-Injected", "X-Also"})
    EXPECT_FALSE(hasHeaderLine(data, name)) << name << " injected:\n" << headerBlock(data);
  EXPECT_EQ(MessageParser::parse(data, "").subject, "HiCc: other@example.com");
}

TEST(MessageBuilder, MissingAttachmentsAreReportedAndLeaveASinglePart) {
  OutgoingMessage m = plainMessage();
  m.attachments = {"", "/nonexistent/gone.pdf"};
  const BuiltMessage built = MessageBuilder::build(m);
  EXPECT_EQ(built.data.find("multipart"), std::string::npos);
  EXPECT_NE(built.warnings.find("gone.pdf"), std::string::npos);
  EXPECT_NE(built.warnings.find("\"\""), std::string::npos) << "the empty path is not reported";
  EXPECT_EQ(MessageParser::parse(built.data, "").body,
            "Hello Alice,\r\nthanks for signing up.\r\n");
}

}  // namespace
}  // namespace tidewell::mail
