// The real client against the test servers: reading the mailbox over POP3 (listing, download,
// deletion, TLS, NTLM, huge and empty messages) and IMAP (every log-in lists, fetches and marks);
// sending through every kind of SMTP listener, read back over POP3; and everything that goes
// wrong on the way ends in a clear failure with a reason, never a partial result passed as whole.
#include <gmime/gmime.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "engine/login_failure.h"
#include "mail/certificate_trust.h"
#include "mail/gmime_ptr.h"
#include "mail/oauth_tokens.h"
#include "mail_rig_fixture.h"
#include "support/test_support.h"

namespace tidewell::mail::testing {
namespace {

using tidewell::testing::crlf;

std::string simpleMessage(const std::string& subject, const std::string& body = "body") {
  return crlf({"From: Sender <sender@example.org>", "Subject: " + subject, "", body});
}

class Pop3ClientTest : public RigTest {
 protected:
  std::vector<std::string> listUidls(const Mailbox& box) {
    NetMailClient client = rig.client();
    client.setPop3(rig.pop(box));
    auto uidls = client.fetchUidls();
    EXPECT_TRUE(uidls) << client.lastError();
    client.endPop3Session();
    return uidls.value_or(std::vector<std::string>{});
  }
};

TEST_F(Pop3ClientTest, FetchesTheRequestedMessagesInListOrderOverEveryTransport) {
  const Mailbox box = rig.claimMailbox();
  for (const char* subject : {"one", "two", "three"}) rig.deliver(box, simpleMessage(subject));
  PopSettings plain = rig.pop(box);
  PopSettings startTls = plain;
  startTls.ssl = true;
  PopSettings implicit = rig.pop(box, "POP_TLS_PORT");
  implicit.ssl = true;

  for (const PopSettings& settings : {plain, startTls, implicit}) {
    NetMailClient client = rig.client();
    client.setPop3(settings);
    std::vector<int> progress;
    client.setProgress([&](int percent) { progress.push_back(percent); });
    const auto uidls = client.fetchUidls();
    ASSERT_TRUE(uidls) << client.lastError();
    ASSERT_EQ(uidls->size(), 3u);
    const FetchResult fetched = client.fetchMessages({(*uidls)[2], (*uidls)[0]});
    ASSERT_TRUE(fetched.complete) << client.lastError();
    ASSERT_EQ(fetched.messages.size(), 2u);
    EXPECT_EQ(fetched.messages[0].subject, "three");
    EXPECT_EQ(fetched.messages[0].uidl, (*uidls)[2]);
    EXPECT_EQ(fetched.messages[1].subject, "one");
    EXPECT_EQ(fetched.messages[1].senderName, "Sender");
    EXPECT_EQ(fetched.messages[1].fullText, simpleMessage("one"));
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
    client.endPop3Session();
  }
}

TEST_F(Pop3ClientTest, UidlsAreStableAndDeletionWaitsForTheEndOfTheSession) {
  const Mailbox box = rig.claimMailbox();
  for (const char* subject : {"keep", "drop", "keep too"}) rig.deliver(box, simpleMessage(subject));
  const auto before = listUidls(box);
  ASSERT_EQ(before.size(), 3u);
  EXPECT_EQ(listUidls(box), before);

  NetMailClient deleter = rig.client();
  deleter.setPop3(rig.pop(box));
  ASSERT_TRUE(deleter.fetchUidls());
  ASSERT_TRUE(deleter.deleteMessages({before[1]})) << deleter.lastError();
  // The DELE options must not stick: the next download is a download.
  const FetchResult after = deleter.fetchMessages({before[2]});
  ASSERT_EQ(after.messages.size(), 1u) << deleter.lastError();
  EXPECT_EQ(after.messages[0].subject, "keep too");
  EXPECT_EQ(listUidls(box), before) << "deleted before QUIT";

  deleter.endPop3Session();
  EXPECT_EQ(listUidls(box), (std::vector<std::string>{before[0], before[2]}));
}

TEST_F(Pop3ClientTest, UnknownUidlsAndCallsWithoutASessionFailAnEmptyMessageIsMarked) {
  const Mailbox box = rig.claimMailbox();
  rig.deliver(box, "");
  NetMailClient client = rig.client();
  client.setPop3(rig.pop(box));
  EXPECT_FALSE(client.fetchMessages({"anything"}).complete);
  EXPECT_FALSE(client.deleteMessages({"anything"}));
  const auto uidls = client.fetchUidls();
  ASSERT_TRUE(uidls && uidls->size() == 1u) << client.lastError();
  EXPECT_FALSE(client.fetchMessages({"no-such-uidl"}).complete);
  EXPECT_NE(client.lastError().find("no-such-uidl"), std::string::npos);
  EXPECT_FALSE(client.deleteMessages({"no-such-uidl"}));
  const FetchResult fetched = client.fetchMessages(*uidls);
  ASSERT_TRUE(fetched.complete && fetched.messages.size() == 1u) << client.lastError();
  EXPECT_EQ(fetched.messages[0].uidl, (*uidls)[0]);
  EXPECT_FALSE(fetched.messages[0].parseError.empty());
  client.endPop3Session();
  EXPECT_EQ(listUidls(box).size(), 1u);
}

TEST_F(Pop3ClientTest, FetchesATwentyMegabyteMessage) {
  const Mailbox box = rig.claimMailbox();
  std::string body;
  const std::string line(76, 'x');
  while (body.size() < 20u * 1024 * 1024) body += line + "\r\n";
  rig.deliver(box, crlf({"From: big@example.org", "Subject: big", ""}) + body);
  const auto messages = readMailbox(box);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].subject, "big");
  EXPECT_EQ(messages[0].body.size(), body.size());
}

TEST_F(Pop3ClientTest, LogsInWithNtlm) {
  PopSettings settings = rig.pop({"ntlmuser", "secret"}, "POP_NTLM_PORT");
  settings.spa = true;
  NetMailClient client = rig.client();
  client.setPop3(settings);
  const auto uidls = client.fetchUidls();
  ASSERT_TRUE(uidls) << client.lastError();
  EXPECT_EQ(*uidls, std::vector<std::string>{"ntlm-uid-1"});
  const FetchResult fetched = client.fetchMessages(*uidls);
  ASSERT_EQ(fetched.messages.size(), 1u) << client.lastError();
  EXPECT_EQ(fetched.messages[0].body, "ntlm body\r\n");
  client.endPop3Session();

  settings.user = "someoneelse";
  client.setPop3(settings);
  EXPECT_FALSE(client.fetchUidls());
  EXPECT_NE(client.lastError().find("refused"), std::string::npos) << client.lastError();
}

struct Login {
  const char* name;
  const char* portKey;
  bool ssl;
  const char* mechanism;  // OAuth2 mechanism; empty: the password
};

// Every way of logging in over IMAP (STARTTLS, implicit TLS, bearer tokens of both mechanisms)
// lists, fetches and marks, and fetching leaves an unread message unread.
class ImapClient : public RigTest, public ::testing::WithParamInterface<Login> {};

TEST_P(ImapClient, ListsFetchesAndMarksLeavingUnreadMailUnread) {
  const Login& p = GetParam();
  OAuthTokens::forgetAll();
  const Mailbox box = rig.claimMailbox();
  rig.deliver(box, "From: <a@example.org>\r\nSubject: first\r\n\r\none\r\n");
  rig.deliver(box, "From: <b@example.org>\r\nSubject: second\r\n\r\ntwo\r\n");
  PopSettings settings = rig.pop(box, p.portKey);
  settings.imap = true;
  settings.ssl = p.ssl;
  settings.doneKeyword = "$TidewellDone";
  if (*p.mechanism) {
    settings.password = "not the password";
    settings.oauth = rig.signedIn(box, p.mechanism);
  }
  NetMailClient client = rig.client();
  client.setPop3(settings);
  auto listing = client.listImapFolder(0);
  ASSERT_TRUE(listing) << client.lastError();
  ASSERT_EQ(listing->uids.size(), 2u);
  EXPECT_EQ(listing->unseen, listing->uids);
  FetchResult fetched = client.fetchImapMessages(listing->uidValidity, listing->uids);
  ASSERT_TRUE(fetched.complete) << client.lastError();
  EXPECT_EQ(fetched.messages.at(1).subject, "second");
  ASSERT_TRUE(client.restoreUnseen(listing->unseen)) << client.lastError();
  ASSERT_TRUE(client.markHandled({listing->uids.at(0)})) << client.lastError();
  client.endPop3Session();

  client.setPop3(settings);
  auto again = client.listImapFolder(0);
  ASSERT_TRUE(again) << client.lastError();
  EXPECT_EQ(again->uids, std::vector<std::uint32_t>{listing->uids.at(1)});
  EXPECT_EQ(again->unseen, again->uids);
  EXPECT_TRUE(client.listImapFolder(listing->uids.at(1))->uids.empty());
  client.endPop3Session();
}

INSTANTIATE_TEST_SUITE_P(Logins, ImapClient,
                         ::testing::Values(Login{"Plain", "IMAP_PLAIN_PORT", false, ""},
                                           Login{"StartTls", "IMAP_PLAIN_PORT", true, ""},
                                           Login{"ImplicitTls", "IMAP_TLS_PORT", true, ""},
                                           Login{"XOAuth2", "IMAP_TLS_PORT", true, "XOAUTH2"},
                                           Login{"OAuthBearer", "IMAP_PLAIN_PORT", true,
                                                 "OAUTHBEARER"}),
                         [](const auto& info) { return std::string(info.param.name); });

// file name -> decoded bytes of every attachment, read with GMime independently of the client.
std::map<std::string, std::string> attachmentsOf(const std::string& raw) {
  std::map<std::string, std::string> found;
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(raw.data(), raw.size()));
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
  if (!message) return found;
  GMimePartIter* iter = g_mime_part_iter_new(GMIME_OBJECT(message.get()));
  do {
    GMimeObject* current = g_mime_part_iter_get_current(iter);
    if (current && GMIME_IS_PART(current) && g_mime_part_is_attachment(GMIME_PART(current))) {
      GObjectPtr<GMimeStream> sink(g_mime_stream_mem_new());
      g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(GMIME_PART(current)), sink.get());
      GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(sink.get()));
      const char* name = g_mime_part_get_filename(GMIME_PART(current));
      found[name ? name : ""] = std::string(reinterpret_cast<char*>(bytes->data), bytes->len);
    }
  } while (g_mime_part_iter_next(iter));
  g_mime_part_iter_free(iter);
  return found;
}

class SmtpClientTest : public RigTest {};

TEST_F(SmtpClientTest, StartTlsWithLoginAndImplicitTlsBothDeliver) {
  const Mailbox box = rig.claimMailbox();
  const SmtpSettings submission = rig.submission(box);
  SmtpSettings implicit = submission;
  implicit.port = rig.port("SMTP_TLS_PORT");
  implicit.authentication = 2;

  for (const SmtpSettings& settings : {submission, implicit}) {
    NetMailClient client = rig.client();
    client.setSmtp(settings);
    EXPECT_EQ(client.send(messageTo(box, "tls " + std::to_string(settings.port))), kSendAccepted)
        << client.lastError();
  }
  const auto messages = readMailbox(box);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].subject, "tls " + std::to_string(submission.port));
  EXPECT_EQ(messages[1].subject, "tls " + std::to_string(implicit.port));
}

TEST_F(SmtpClientTest, AttachmentBytesArriveIntact) {
  const Mailbox box = rig.claimMailbox();
  tidewell::testing::TempFolder folder;
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) % 256);
  tidewell::testing::writeBytes(folder / "data file.bin", binary);
  tidewell::testing::writeBytes(folder / "pr\xc3\xa9sentation.txt", "line\r\n.\r\nend");
  OutgoingMessage m = messageTo(box, "with attachments");
  m.attachments = {(folder / "data file.bin").string(), (folder / "missing.doc").string(),
                   (folder / "pr\xc3\xa9sentation.txt").string()};
  NetMailClient client = rig.client();
  client.setSmtp(rig.smtp());
  ASSERT_EQ(client.send(m), kSendAccepted) << client.lastError();
  EXPECT_NE(client.lastError().find("missing.doc"), std::string::npos);

  const auto messages = readMailbox(box);
  ASSERT_EQ(messages.size(), 1u);
  const auto attachments = attachmentsOf(messages[0].fullText);
  ASSERT_EQ(attachments.size(), 2u);
  EXPECT_EQ(attachments.at("data file.bin"), binary);
  EXPECT_EQ(attachments.at("pr\xc3\xa9sentation.txt"), "line\r\n.\r\nend");
  EXPECT_EQ(messages[0].body, "first line\r\n.leading dot survives\r\nlast line\r\n");
}

TEST_F(SmtpClientTest, PlainSendsShareAConnectionThatSurvivesAnIdleDrop) {
  const Mailbox box = rig.claimMailbox();
  NetMailClient client = rig.client();
  // This listener drops a connection after one idle second.
  client.setSmtp(rig.smtp("SMTP_IDLE_PORT"));
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(client.send(messageTo(box, "burst " + std::to_string(i))), kSendAccepted)
        << client.lastError();
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(client.send(messageTo(box, "after idle")), kSendAccepted) << client.lastError();
  client.endSmtpSession();

  const auto messages = readMailbox(box);
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0].subject, "burst 0");
  EXPECT_EQ(messages[3].subject, "after idle");
}

TEST_F(SmtpClientTest, RefusalAfterDataIsNotASuccess) {
  NetMailClient client = rig.client();
  client.setSmtp(rig.smtp());
  OutgoingMessage m = messageTo({"reject", ""}, "refused");
  EXPECT_NE(client.send(m), kSendAccepted);
  EXPECT_NE(client.lastError().find("554"), std::string::npos) << client.lastError();
  // The connection stays usable for the next recipient.
  const Mailbox box = rig.claimMailbox();
  EXPECT_EQ(client.send(messageTo(box, "after refusal")), kSendAccepted) << client.lastError();
}

TEST_F(SmtpClientTest, EnvelopeAddressesCannotCarryCommands) {
  const Mailbox box = rig.claimMailbox();
  NetMailClient client = rig.client();
  client.setSmtp(rig.smtp());
  for (const std::string& bad :
       std::vector<std::string>{box.address() + "\r\nRCPT TO:<x@example.com>", box.address() + ">",
                                std::string("a\0b@example.net", 15), ""}) {
    OutgoingMessage m = messageTo(box, "injected");
    m.toAddress = bad;
    EXPECT_EQ(client.send(m), 0) << bad;
    EXPECT_FALSE(client.lastError().empty());
  }
  OutgoingMessage m = messageTo(box, "injected");
  m.fromAddress = "owner@example.org>\nDATA";
  EXPECT_EQ(client.send(m), 0);
  client.endSmtpSession();
  EXPECT_TRUE(readMailbox(box).empty());
}

class TransportFailureTest : public RigTest {};

TEST_F(TransportFailureTest, Pop3LogInFailuresGiveTheReasonQuickly) {
  struct Case {
    const char* what;
    const char* portKey;
    const char* reason;
  };
  for (const Case& c : {Case{"wrong password", "POP_PLAIN_PORT", "Authentication failed"},
                        Case{"closed port", "CLOSED_PORT", "onnect"},
                        Case{"silent server", "POP_SILENT_PORT", "imeout"},
                        Case{"untrusted certificate", "POP_TLS_PORT", "certificate"}}) {
    SCOPED_TRACE(c.what);
    Mailbox box = rig.claimMailbox();
    if (c.what == std::string("wrong password")) box.password = "not-the-password";
    PopSettings settings = rig.pop(box, c.portKey);
    if (c.portKey == std::string("POP_SILENT_PORT")) settings.timeoutSeconds = 1;
    settings.ssl = c.portKey == std::string("POP_TLS_PORT");
    if (settings.ssl) settings.caFile.clear();
    NetMailClient client = rig.client();
    client.setPop3(settings);
    // A time-out that did not apply would hang here until the test's own time limit.
    EXPECT_FALSE(client.fetchUidls());
    EXPECT_NE(client.lastError().find(c.reason), std::string::npos) << client.lastError();
  }
}

TEST_F(TransportFailureTest, SmtpRefusedLogInsAndUnreachableServersGiveTheReason) {
  const Mailbox box = rig.claimMailbox();
  SmtpSettings untrusted = rig.submission(box), wrongPassword = untrusted, noLogIn = untrusted;
  untrusted.caFile.clear();
  wrongPassword.authentication = 2;
  wrongPassword.password = "wrong";
  // The submission port wants a log-in: sending without one is refused, not silently dropped.
  noLogIn.authentication = 0;
  OutgoingMessage m;
  m.toAddress = box.address();
  for (const auto& [settings, reason] :
       {std::pair{rig.smtp("CLOSED_PORT"), "onnect"}, std::pair{untrusted, "certificate"},
        std::pair{wrongPassword, "535"}, std::pair{noLogIn, "530"}}) {
    SCOPED_TRACE(reason);
    NetMailClient client = rig.client();
    client.setSmtp(settings);
    EXPECT_NE(client.send(m), kSendAccepted);
    EXPECT_NE(client.lastError().find(reason), std::string::npos) << client.lastError();
  }
}

TEST_F(TransportFailureTest, DropMidDownloadKeepsWhatArrivedAndSaysIncomplete) {
  NetMailClient client = rig.client();
  client.setPop3(rig.pop({"anyone", "any"}, "POP_DROP_PORT"));
  const auto uidls = client.fetchUidls();
  ASSERT_TRUE(uidls) << client.lastError();
  EXPECT_EQ(*uidls, (std::vector<std::string>{"drop-1", "drop-2"}));
  EXPECT_NE(client.lastError().find("not a listing line"), std::string::npos);

  const FetchResult fetched = client.fetchMessages(*uidls);
  EXPECT_FALSE(fetched.complete);
  ASSERT_EQ(fetched.messages.size(), 1u);
  EXPECT_EQ(fetched.messages[0].uidl, "drop-1");
  EXPECT_EQ(fetched.messages[0].body, "first body\r\n");
  EXPECT_FALSE(client.lastError().empty());
  // The session is gone: nothing may run on a silently re-opened one.
  EXPECT_FALSE(client.deleteMessages({"drop-1"}));
  client.endPop3Session();
}

TEST_F(TransportFailureTest, MessageShorterThanItsListedSizeCountsAsCutShort) {
  NetMailClient client = rig.client();
  client.setPop3(rig.pop({"anyone", "any"}, "POP_SHORT_PORT"));
  const auto uidls = client.fetchUidls();
  ASSERT_TRUE(uidls) << client.lastError();
  const FetchResult fetched = client.fetchMessages(*uidls);
  EXPECT_FALSE(fetched.complete);
  EXPECT_TRUE(fetched.messages.empty());
  EXPECT_NE(client.lastError().find("cut short"), std::string::npos) << client.lastError();
  client.endPop3Session();
}

// Trusting a self-signed server once: refused and its certificate shown until its fingerprint is
// pinned, then accepted; a changed certificate in front of the same mailboxes is refused.
TEST_F(TransportFailureTest, ACertificateTrustedOnceThenAChangedOneIsRefused) {
  const Mailbox box = rig.claimMailbox();
  std::string error;
  auto presented = fetchServerCertificate(MailProtocol::kPop3, "127.0.0.1",
                                          rig.port("POP_TLS_PORT"), true, 10, "", error);
  ASSERT_TRUE(presented) << error;
  // Subject, problem and the SMTP server's STARTTLS certificate: mail_loop_test.cpp's
  // MailLoop.TrustCertificateShowsTheServersCertificateAsksAndPinsIt.
  EXPECT_EQ(presented->issuer, "CN=localhost");
  EXPECT_FALSE(presented->notAfter.empty());

  struct Case {
    const char* port;
    std::string pin;
    bool logsIn;
  };
  for (const Case& c :
       {Case{"POP_TLS_PORT", "", false}, Case{"POP_TLS_PORT", presented->sha256, true},
        Case{"POP_OTHER_CERT_PORT", presented->sha256, false}}) {
    SCOPED_TRACE(std::string(c.port) + (c.pin.empty() ? " not trusted" : " trusted"));
    PopSettings settings = rig.pop(box, c.port);
    settings.ssl = true;
    settings.caFile.clear();  // the system's store, which knows nothing of the test servers
    settings.pinnedCertificate = c.pin;
    NetMailClient client(ImplicitTlsPorts{rig.port(c.port), 0});
    client.setPop3(settings);
    EXPECT_EQ(client.fetchUidls().has_value(), c.logsIn) << client.lastError();
    if (!c.logsIn) {
      EXPECT_EQ(engine::loginFailureOf(client.lastError()),
                engine::LoginFailure::kUntrustedCertificate)
          << client.lastError();
    }
    client.endPop3Session();
  }
}

}  // namespace
}  // namespace tidewell::mail::testing
