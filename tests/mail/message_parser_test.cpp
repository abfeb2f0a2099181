// Downloaded mail comes in every shape: the parser must find the right text, decode it to
// UTF-8, and survive broken messages without losing them.
#include <gtest/gtest.h>

#include <glib.h>

#include <string>

#include "mail/message_parser.h"
#include "store/text.h"
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
  EXPECT_EQ(m.uidl, "uid-1");
  EXPECT_EQ(m.senderName, "J\xc3\xbcrgen M\xc3\xbcller");
  EXPECT_EQ(m.senderAddress, "jm@example.de");
  EXPECT_EQ(m.subject,
            "Gr\xc3\xbc\xc3\x9f"
            "e aus \xe6\x97\xa5\xe6\x9c\xac");
  EXPECT_EQ(m.fullText, raw);
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
  for (const std::string raw : {noBoundary, binary, std::string("Subject: no blank line"),
                                std::string("\r\n\r\njust a body\r\n"), std::string(),
                                std::string("\r\n"), std::string("  \r\n\r\n")}) {
    const IncomingMessage m = MessageParser::parse(raw, "bad");
    EXPECT_EQ(m.uidl, "bad");
    EXPECT_EQ(m.fullText, raw);
    EXPECT_TRUE(validUtf8(m.subject) && validUtf8(m.body) && validUtf8(m.senderName));
    if (raw.find_first_not_of(" \r\n") == std::string::npos)
      EXPECT_FALSE(m.parseError.empty()) << "an empty message is reported, not dropped";
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
    if (!c.subject.empty()) EXPECT_EQ(m.subject, c.subject);
    if (!c.sender.empty()) EXPECT_EQ(m.senderName, c.sender);
    EXPECT_EQ(m.body, "=?UTF-8?B?am9pbg?= stays\r\n");
    EXPECT_EQ(m.fullText, raw);
  }
}

}  // namespace
}  // namespace tidewell::mail
