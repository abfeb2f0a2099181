// Reading the mailbox with dovecot: over POP3 listing, download, deletion semantics, the TLS
// variants, NTLM, messages huge or empty; over IMAP every log-in lists, fetches and marks.
#include <gtest/gtest.h>

#include <algorithm>

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

}  // namespace
}  // namespace tidewell::mail::testing
