// The IMAP side of the real client against the rig's dovecot: every way of logging in (STARTTLS,
// implicit TLS, bearer tokens of both mechanisms) lists, fetches and marks, and fetching leaves
// an unread message unread.
#include <gtest/gtest.h>

#include "mail/oauth_tokens.h"
#include "mail_rig_fixture.h"

namespace tidewell::mail::testing {
namespace {

struct Login {
  const char* name;
  const char* portKey;
  bool ssl;
  const char* mechanism;  // OAuth2 mechanism; empty: the password
};

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
