// Mail as it comes in and goes out: the parser finds the right text, decodes it to UTF-8 and
// survives broken messages; what is built is well-formed MIME with CR LF line ends and no header
// data could smuggle in; servers' replies and the failure reports of tests/data/bounces (against
// the one table of expected recipients, status codes and classes) are read right.
#include <gtest/gtest.h>

#include <glib.h>

#include <map>
#include <regex>
#include <set>
#include <string>

#include "engine/delivery_report_reader.h"
#include "mail/message_builder.h"
#include "mail/message_parser.h"
#include "mail/smtp_reply.h"
#include "store/text.h"
#include "store/text_file.h"
#include "support/test_support.h"

namespace tidewell::mail {
namespace {

using tidewell::testing::crlf;

bool validUtf8(const std::string& s) {
  return g_utf8_validate(s.data(), static_cast<gssize>(s.size()), nullptr);
}

TEST(MessageParser, PrefersPlainTextAndSkipsTextAttachments) {
  const std::string raw = store::replaceAll(
      "From: a@example.net\nSubject: alt\nMIME-Version: 1.0\n"
      "Content-Type: multipart/mixed; boundary=\"outer\"\n\n"
      "--outer\nContent-Type: text/plain; name=notes.txt\n"
      "Content-Disposition: attachment; filename=notes.txt\n\nattached notes\n"
      "--outer\nContent-Type: multipart/alternative; boundary=\"inner\"\n\n"
      "--inner\nContent-Type: text/html; charset=utf-8\n\n<p>html</p>\n"
      "--inner\nContent-Type: text/plain; charset=utf-8\n\nplain text\n--inner--\n--outer--\n",
      "\n", "\r\n");
  EXPECT_EQ(MessageParser::parse(raw, "u").body, "plain text");
}

TEST(MessageParser, DecodesTransferEncodingsAndCharsets) {
  const std::string qp = crlf(
      {"From: a@example.net", "MIME-Version: 1.0", "Content-Type: text/plain; charset=iso-8859-1",
       "Content-Transfer-Encoding: quoted-printable", "", "caf=E9 na=EFve=", "!"});
  EXPECT_EQ(MessageParser::parse(qp, "u").body, "caf\xc3\xa9 na\xc3\xafve!\r\n");
  const std::string b64 =
      crlf({"From: a@example.net", "MIME-Version: 1.0", "Content-Type: text/plain; charset=utf-8",
            "Content-Transfer-Encoding: base64", "", "Z3LDvMOfZQ=="});
  EXPECT_EQ(MessageParser::parse(b64, "u").body,
            "gr\xc3\xbc\xc3\x9f"
            "e");
}

TEST(MessageParser, MislabelledOrUnlabelledTextBecomesValidUtf8) {
  const std::string unlabelled =
      crlf({"From: a@example.net", "Subject: x", "", "price 5\x80 caf\xe9"});
  EXPECT_EQ(MessageParser::parse(unlabelled, "u").body, "price 5\xe2\x82\xac caf\xc3\xa9\r\n");
  const std::string wrongLabel = crlf({"From: a@example.net", "MIME-Version: 1.0",
                                       "Content-Type: text/plain; charset=utf-8", "", "caf\xe9"});
  EXPECT_EQ(MessageParser::parse(wrongLabel, "u").body, "caf\xc3\xa9\r\n");
  const std::string unknown =
      crlf({"From: a@example.net", "MIME-Version: 1.0",
            "Content-Type: text/plain; charset=x-no-such-charset", "", "plain words \xff\xfe"});
  const IncomingMessage m = MessageParser::parse(unknown, "u");
  EXPECT_TRUE(validUtf8(m.body));
  EXPECT_EQ(m.body.rfind("plain words ", 0), 0u);
}

TEST(MessageParser, DecodesEncodedWordsAndRaw8BitHeaders) {
  const std::string raw =
      crlf({"From: =?UTF-8?Q?J=C3=BCrgen_M=C3=BCller?= <jm@example.de>",
            "Subject: =?ISO-8859-1?Q?Gr=FC=DFe?= aus =?UTF-8?B?5pel5pys?=", "", "x"});
  IncomingMessage m = MessageParser::parse(raw, "uid-1");
  EXPECT_EQ(m.senderName, "J\xc3\xbcrgen M\xc3\xbcller");
  EXPECT_EQ(m.senderAddress, "jm@example.de");
  EXPECT_EQ(m.subject,
            "Gr\xc3\xbc\xc3\x9f"
            "e aus \xe6\x97\xa5\xe6\x9c\xac");
  EXPECT_TRUE(m.parseError.empty());

  m = MessageParser::parse(
      crlf({"From: Ren\xe9 <rene@example.fr>", "Subject: r\xe9sum\xe9", "", "x"}), "u");
  EXPECT_EQ(m.subject, "r\xc3\xa9sum\xc3\xa9");
  EXPECT_EQ(m.senderName, "Ren\xc3\xa9");
  EXPECT_EQ(m.senderAddress, "rene@example.fr");
}

TEST(MessageParser, SurvivesBrokenMessagesAndReportsEmptyOnes) {
  const std::string noBoundary =
      crlf({"From: a@example.net", "Subject: broken", "MIME-Version: 1.0",
            "Content-Type: multipart/mixed", "", "--x", "", "text", "--x--"});
  const std::string binary("\x00\x01\xff\xfe garbage \x00 more\r\n\r\n\x80", 24);
  for (const std::string& raw : {noBoundary, binary, std::string("Subject: no blank line"),
                                 std::string("\r\n\r\njust a body\r\n"), std::string(),
                                 std::string("\r\n"), std::string("  \r\n\r\n")}) {
    const IncomingMessage m = MessageParser::parse(raw, "bad");
    EXPECT_EQ(m.uidl, "bad");
    EXPECT_EQ(m.fullText, raw);
    EXPECT_TRUE(validUtf8(m.subject) && validUtf8(m.body) && validUtf8(m.senderName));
    if (raw.find_first_not_of(" \r\n") == std::string::npos) {
      EXPECT_FALSE(m.parseError.empty()) << "an empty message is reported, not dropped";
    }
  }
  EXPECT_EQ(MessageParser::parse(noBoundary, "bad").subject, "broken");
}

// Encoded words as mail programs read them: each base64 word by itself, a missing padding as if
// it were there, neighbouring words joined (also in the middle of a character).
TEST(MessageParser, DecodesEveryEncodedWordByItself) {
  struct Case {
    std::string header;
    std::string subject;
    std::string sender;
  };
  const Case cases[] = {
      {"Subject: =?UTF-8?B?am9pbg?= =?UTF-8?B?IHRoZSBsaXN0?=", "join the list", ""},
      {"Subject: =?UTF-8?B?am9pbg==?= =?UTF-8?B?IG5vdw==?=", "join now", ""},
      {"Subject: =?UTF-8?B?b2LD?=\r\n =?UTF-8?B?pHI=?=", "ob\xc3\xa4r", ""},
      {"Subject: Re: =?ISO-8859-1?B?R3L832U?= =?UTF-8?Q?_und_mehr?=",
       "Re: Gr\xc3\xbc\xc3\x9f"
       "e und mehr",
       ""},
      {"From: =?UTF-8?B?Wm/Dqw?= =?UTF-8?B?IMOcbmljb2Rl?= <z@example.org>", "",
       "Zo\xc3\xab \xc3\x9cnicode"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    std::string raw = c.header + "\r\nTo: list@example.org\r\n\r\n=?UTF-8?B?am9pbg?= stays\r\n";
    IncomingMessage m = MessageParser::parse(raw, "u");
    if (!c.subject.empty()) {
      EXPECT_EQ(m.subject, c.subject);
    }
    if (!c.sender.empty()) {
      EXPECT_EQ(m.senderName, c.sender);
    }
    EXPECT_EQ(m.body, "=?UTF-8?B?am9pbg?= stays\r\n");
    EXPECT_EQ(m.fullText, raw);
  }
}

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

TEST(SmtpReply, EachReplyFallsIntoItsClass) {
  using C = SmtpReplyClass;
  struct Case {
    int code;
    std::string text;
    C expected;
  };
  const std::vector<Case> cases = {
      // The server's sending limits pause the pass.
      {421, "421 4.7.0 Try again later, closing connection", C::kPause},
      {421, "421 Service not available", C::kPause},
      {450, "450 4.2.1 The user you are trying to contact is receiving mail too quickly",
       C::kPause},
      {451, "451 4.2.1 Slow down", C::kPause},
      {452, "452 4.5.3 Too many recipients", C::kPause},
      {550, "550 5.4.5 Daily sending quota exceeded", C::kPause},
      {554, "554 5.2.0 STOREDRV.Submission.Exception:SubmissionQuotaExceededException", C::kPause},
      {451, "451 4.7.1 Rate limited, try again later", C::kPause},
      {450, "450 4.7.0 Ratelimit exceeded", C::kPause},
      {550, "550 5.7.1 Too many messages from you today", C::kPause},
      // Other temporary refusals are tried again.
      {451, "451 4.3.0 Try again later", C::kRetryLater},
      {450, "450 4.7.1 Greylisted, please try again", C::kRetryLater},
      {452, "452 4.2.2 Mailbox full, over quota", C::kRetryLater},
      {451, "451 Temporary local problem, generated by the filter", C::kRetryLater},
      // The address is gone.
      {550, "550 5.1.1 <nobody@example.net>: Recipient address rejected: User unknown",
       C::kPermanentBounce},
      {553, "553 5.1.3 Bad recipient address syntax", C::kPermanentBounce},
      {550, "550 5.1.10 RESOLVER.ADR.RecipientNotFound", C::kPermanentBounce},
      {550, "550 No such user here", C::kPermanentBounce},
      {550, "550 5.0.0 Mailbox does not exist", C::kPermanentBounce},
      // Other permanent refusals are logged and the message counts as not sent.
      {554, "554 5.7.1 Message refused for testing", C::kRefused},
      {552, "552 5.2.2 Mailbox full, over quota", C::kRefused},
      {550, "550 5.7.26 Unauthenticated mail is prohibited", C::kRefused},
      {0, "", C::kRefused},  // refused before it left (a bad envelope address)
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(classifySmtpReply({c.code, c.text, false}), c.expected);
  }
  EXPECT_EQ(classifySmtpReply({0, "Couldn't connect to server", true}), C::kPause);
}

TEST(SmtpReply, EnhancedStatusIsReadAfterTheCode) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"550 5.1.1 User unknown", "5.1.1"},
      {"550-5.1.10 Not found", "5.1.10"},
      {"4.2.1 Slow down", "4.2.1"},
      {"550 User unknown", ""},
      {"550 1.2.3 odd", ""},
      {"550 5.1.1234 too long", ""},
      {"250 2.0.0 Ok", "2.0.0"},
      {"", ""},
  };
  for (const auto& [text, status] : cases) EXPECT_EQ(enhancedStatus(text), status) << text;
}

const std::filesystem::path kCorpus = std::filesystem::path(TIDEWELL_TEST_DATA) / "bounces";

std::string dash(const std::string& text) {
  return text.empty() ? "-" : text;
}

// file -> "recipient status class" lines, as classify prints them.
std::map<std::string, std::vector<std::string>> expectedTable() {
  std::map<std::string, std::vector<std::string>> table;
  for (const std::string& line : store::readLines(kCorpus / "expected.tsv")) {
    if (line.empty() || line[0] == '#') continue;
    auto parts = store::split(line, "\t");
    EXPECT_EQ(parts.size(), 4u) << line;
    if (parts.size() != 4) continue;
    auto& rows = table[parts[0]];
    if (parts[3] != "none") rows.push_back(parts[1] + " " + parts[2] + " " + parts[3]);
  }
  return table;
}

std::vector<std::string> readingOf(const std::string& raw, const std::string& name) {
  std::vector<std::string> rows;
  engine::ReportReading reading = engine::readDeliveryReport(MessageParser::parse(raw, name));
  // A report that names nobody is about the original's one recipient when the list sent it.
  if (reading.originalFrom == "list@example.net") {
    reading.recipients.front().address = reading.originalTo;
  }
  for (const auto& r : reading.recipients) {
    rows.push_back(dash(r.address) + " " + dash(r.status) + " " +
                   std::string(engine::bounceClassName(r.bounceClass)));
  }
  return rows;
}

TEST(BounceCorpus, EveryReportGivesItsRecipientsStatusesAndClasses) {
  auto expected = expectedTable();
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
    if (entry.path().extension() == ".eml") files.insert(entry.path().filename());
  }
  EXPECT_GE(files.size(), 40u);
  std::set<std::string> classes;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(expected.count(file)) << "not in expected.tsv";
    EXPECT_EQ(readingOf(store::readFileBytes(kCorpus / file), file), expected[file]);
    for (const auto& row : expected[file]) classes.insert(row.substr(row.rfind(' ') + 1));
    expected.erase(file);
  }
  EXPECT_TRUE(expected.empty()) << "listed but missing: " << expected.begin()->first;
  EXPECT_EQ(classes,
            (std::set<std::string>{"permanent", "temporary", "policy", "auto-reply", "unknown"}));
}

TEST(BounceCorpus, LineEndsAndEnclosingDoNotChangeTheReading) {
  // The same reports with CR LF line ends, and each one forwarded as an attachment.
  for (const char* name : {"dsn_three_recipients_mixed.eml", "qmail_two_recipients.eml",
                           "exim_x_failed_two_recipients.eml", "sendmail_fatal_errors.eml"}) {
    SCOPED_TRACE(name);
    const std::string raw = store::readFileBytes(kCorpus / name);
    const auto plain = readingOf(raw, name);
    EXPECT_EQ(readingOf(store::replaceAll(raw, "\n", "\r\n"), name), plain);
    const std::string forwarded =
        "From: op@example.net\nTo: list@example.net\nSubject: Fwd: see this\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary=\"F\"\n\n--F\nContent-Type: text/plain\n\n"
        "Look.\n--F\nContent-Type: message/rfc822\n\n" +
        raw + "\n--F--\n";
    EXPECT_EQ(readingOf(forwarded, name), plain);
  }
}

}  // namespace
}  // namespace tidewell::mail
