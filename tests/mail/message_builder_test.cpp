// What goes out must be well-formed MIME with CR LF line ends, UTF-8 text, encoded headers,
// and no header that data could smuggle in. Attachment bytes are checked end to end in
// smtp_client_test.cpp.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "mail/message_builder.h"
#include "mail/message_parser.h"
#include "store/text.h"

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

// Every line ends in CR LF: no bare LF or CR anywhere.
void expectOnlyCrLf(const std::string& data) {
  EXPECT_EQ(store::replaceAll(data, "\r\n", "").find_first_of("\r\n"), std::string::npos) << data;
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
  expectOnlyCrLf(data);
  EXPECT_EQ(MessageParser::parse(data, "").body, "unix\r\nwindows\r\nold mac\r\nend\r\n");
}

// Non-ASCII headers go out as UTF-8 encoded words, also names Latin-1 could carry, and read
// back as they were.
TEST(MessageBuilder, EncodesNonAsciiHeadersAsUtf8WordsThatReadBack) {
  OutgoingMessage m = plainMessage();
  m.fromName = "J\xc3\xbcrgen M\xc3\xbcller";
  m.toName = "Zo\xc3\xab's List";
  m.subject =
      "Gr\xc3\xbc\xc3\x9f"
      "e \xe2\x80\x93 \xe6\x97\xa5\xe6\x9c\xac";
  const std::string data = MessageBuilder::build(m).data;
  const std::string headers = headerBlock(data);
  for (unsigned char c : headers) ASSERT_LT(c, 0x80) << "raw 8-bit byte in headers";
  EXPECT_EQ(headers.find("iso-8859-1"), std::string::npos) << headers;
  EXPECT_NE(headers.find("=?UTF-8?b?"), std::string::npos) << headers;
  const IncomingMessage back = MessageParser::parse(data, "");
  EXPECT_EQ(back.subject, m.subject);
  EXPECT_EQ(back.senderName, m.fromName);
  EXPECT_EQ(back.senderAddress, "owner@example.org");
}

TEST(MessageBuilder, ListFieldsGoOutAsGivenAndOnlyWhenSet) {
  OutgoingMessage m = plainMessage();
  EXPECT_FALSE(hasHeaderLine(MessageBuilder::build(m).data, "List-Unsubscribe"));
  m.listUnsubscribe =
      "<https://www.example.org/list/o.php?t=list%40example.org&f=alice%40example.net&s=News&c=o"
      "&k=4CSJzE9MMBXzb857HCie4w>, <mailto:list@example.org?subject=News&body=%40%40%40>";
  m.listUnsubscribePost = "List-Unsubscribe=One-Click\r\nBcc: victim@example.com";
  m.listId = "\"Gold & Silver\" <gold-silver.example.org>";
  const std::string data = MessageBuilder::build(m).data;
  EXPECT_FALSE(hasHeaderLine(data, "Bcc"));
  expectOnlyCrLf(data);
  const std::string unfolded =
      std::regex_replace(headerBlock(data), std::regex("\r\n(?=[ \t])"), "");
  EXPECT_NE(unfolded.find("List-Unsubscribe: " + m.listUnsubscribe), std::string::npos) << unfolded;
  EXPECT_NE(unfolded.find("List-Unsubscribe-Post: List-Unsubscribe=One-Click"), std::string::npos);
  EXPECT_NE(unfolded.find("List-Id: " + m.listId), std::string::npos) << unfolded;
}

TEST(MessageBuilder, HtmlWithATextAlternativeIsMultipartAlternativeTextFirst) {
  OutgoingMessage m = plainMessage();
  m.html = true;
  m.body = "<html><body><p>Hello Zo\xc3\xab</p></body></html>";
  m.textAlternative = "Hello Zo\xc3\xab\n";
  const std::string data = MessageBuilder::build(m).data;
  std::size_t alternative = data.find("multipart/alternative");
  std::size_t plain = data.find("text/plain; charset=utf-8");
  std::size_t html = data.find("text/html; charset=utf-8");
  ASSERT_NE(alternative, std::string::npos) << data;
  EXPECT_LT(alternative, plain);
  EXPECT_LT(plain, html);
  EXPECT_EQ(MessageParser::parse(data, "").body.rfind("Hello Zo\xc3\xab", 0), 0u);
  m.textAlternative.clear();
  EXPECT_EQ(MessageBuilder::build(m).data.find("multipart/alternative"), std::string::npos);
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
