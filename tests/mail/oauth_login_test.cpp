// OAuth2 log-in against the test servers (both check bearer tokens with the rig's authorization
// server): access tokens refreshed, a refused refresh reported as "Sign in again".
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "mail/oauth_sign_in.h"
#include "mail/oauth_tokens.h"
#include "mail/refresh_token_rotations.h"
#include "mail_rig_fixture.h"

namespace tidewell::mail::testing {
namespace {

class OAuthLoginTest : public RigTest {
 protected:
  void SetUp() override {
    RigTest::SetUp();
    OAuthTokens::forgetAll();
    box = rig.claimMailbox();
  }
  void control(const std::string& what) { rig.oauthControl(what, box.user); }
  OAuthLogin signedIn(const std::string& mechanism) { return rig.signedIn(box, mechanism); }
  PopSettings pop(const OAuthLogin& login) {
    PopSettings settings = rig.pop(box);
    settings.password = "not the password";
    settings.oauth = login;
    return settings;
  }
  SmtpSettings smtp(const OAuthLogin& login) {
    SmtpSettings settings = rig.submission(box);
    settings.password = "not the password";
    settings.oauth = login;
    return settings;
  }
  std::optional<std::vector<std::string>> uidls(const OAuthLogin& login, std::string& error) {
    NetMailClient client = rig.client();
    client.setPop3(pop(login));
    auto listed = client.fetchUidls();
    error = client.lastError();
    client.endPop3Session();
    return listed;
  }
  Mailbox box;
};

TEST_F(OAuthLoginTest, CheckAndSendWithBearerTokensOfBothMechanisms) {
  for (const char* mechanism : {"XOAUTH2", "OAUTHBEARER"}) {
    SCOPED_TRACE(mechanism);
    const OAuthLogin login = signedIn(mechanism);
    NetMailClient client = rig.client();
    client.setSmtp(smtp(login));
    ASSERT_EQ(client.send(messageTo(box, std::string("sent with ") + mechanism)), kSendAccepted)
        << client.lastError();
    client.endSmtpSession();
    const auto fetched = readMailbox(pop(login));
    ASSERT_FALSE(fetched.empty());
    EXPECT_EQ(fetched.back().subject, std::string("sent with ") + mechanism);
  }
}

TEST_F(OAuthLoginTest, AnExpiredAccessTokenIsRefreshedOnTheFly) {
  const OAuthLogin login = signedIn("XOAUTH2");
  std::string error;
  ASSERT_TRUE(uidls(login, error)) << error;  // keeps an access token in memory
  control("expire");
  EXPECT_TRUE(uidls(login, error)) << error;
  control("expire");
  NetMailClient client = rig.client();
  client.setSmtp(smtp(login));
  EXPECT_EQ(client.send(messageTo(box, "after expiry")), kSendAccepted) << client.lastError();
  client.endSmtpSession();
  EXPECT_EQ(readMailbox(box).size(), 1u);
}

TEST_F(OAuthLoginTest, ARevokedSignInSaysSignInAgainAndLosesNoMail) {
  const OAuthLogin login = signedIn("XOAUTH2");
  rig.deliver(box, "Subject: waiting\r\n\r\nstill here\r\n");
  std::string error;
  ASSERT_TRUE(uidls(login, error)) << error;
  control("revoke");
  EXPECT_FALSE(uidls(login, error));
  EXPECT_EQ(error.rfind(kSignInAgain, 0), 0u) << error;
  EXPECT_NE(error.find("invalid_grant"), std::string::npos) << error;

  NetMailClient client = rig.client();
  client.setSmtp(smtp(login));
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(client.send(messageTo(box, "never sent")), 0);
    EXPECT_NE(client.lastError().find(kSignInAgain), std::string::npos) << client.lastError();
  }
  client.endSmtpSession();
  auto kept = readMailbox(box);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].subject, "waiting");
}

TEST_F(OAuthLoginTest, NoSavedSignInOrAnUnreachableEndpointFailsWithoutALogIn) {
  OAuthLogin never = signedIn("XOAUTH2");
  never.refreshToken.clear();
  std::string error;
  EXPECT_FALSE(uidls(never, error));
  EXPECT_EQ(error.rfind(kSignInAgain, 0), 0u) << error;
  OAuthLogin unreachable = signedIn("XOAUTH2");
  unreachable.tokenUrl = "http://127.0.0.1:" + std::to_string(rig.port("CLOSED_PORT")) + "/token";
  EXPECT_FALSE(uidls(unreachable, error));
  EXPECT_EQ(error.rfind("Pop3 OAuth2: the token endpoint", 0), 0u) << error;
}

TEST(JsonMember, StringsNumbersEscapesAndAbsence) {
  const std::string json =
      R"({"access_token" : "a\"b\\c\/d", "expires_in":3599,"nested":{"x":1},"e":"\u0041"})";
  EXPECT_EQ(jsonMember(json, "access_token"), "a\"b\\c/d");
  EXPECT_EQ(jsonMember(json, "expires_in"), "3599");
  EXPECT_EQ(jsonMember(json, "e"), "A");
  EXPECT_EQ(jsonMember(json, "refresh_token"), std::nullopt);
}

TEST(LoopbackSignIn, PkceChallengeAndTheRedirectsQuery) {
  // The example of RFC 7636, appendix B.
  EXPECT_EQ(pkceChallenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
            "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
  const std::string target = "/?state=s%2B1&code=a+b%3Dc&empty=&flag";
  EXPECT_EQ(queryParameter(target, "code"), "a b=c");
  EXPECT_EQ(queryParameter(target, "state"), "s+1");
  EXPECT_EQ(queryParameter(target, "empty"), "");
  EXPECT_EQ(queryParameter(target, "flag"), "");
  EXPECT_EQ(queryParameter(target, "error"), std::nullopt);
  EXPECT_EQ(queryParameter("/favicon.ico", "state"), std::nullopt);
}

TEST(LoopbackSignIn, TheAuthorizationUrlCarriesTheClientThePkceChallengeAndTheLoopback) {
  SignInClient client;
  client.authUrl = "https://provider.example/auth?tenant=x";
  client.scopes = "https://mail.example/ offline_access";
  client.extraParams = "access_type=offline";
  client.token.clientId = "id 1";
  LoopbackSignIn signIn(client);
  std::string error;
  ASSERT_TRUE(signIn.listen(error)) << error;
  const std::string url = signIn.authorizationUrl();
  EXPECT_EQ(url.rfind("https://provider.example/auth?tenant=x&response_type=code&client_id=id%201"
                      "&redirect_uri=http%3A%2F%2F127.0.0.1%3A",
                      0),
            0u)
      << url;
  EXPECT_NE(url.find("&scope=https%3A%2F%2Fmail.example%2F%20offline_access&code_challenge="),
            std::string::npos);
  EXPECT_NE(url.find("&code_challenge_method=S256&state="), std::string::npos);
  EXPECT_EQ(url.substr(url.size() - 20), "&access_type=offline");
  TokenFailure failure;
  EXPECT_FALSE(signIn.finish(0, failure));
  EXPECT_FALSE(failure.refused);
}

// A provider that replaces the refresh token at every refresh and withdraws the old one: the
// client follows the newest token even when it was given the first one, tells the listener,
// and two log-ins refreshing at the same moment do not spend the same token twice.
TEST_F(OAuthLoginTest, ARotatedRefreshTokenIsFollowedAndAnnounced) {
  const OAuthLogin login = signedIn("XOAUTH2");
  control("rotate");
  std::atomic<int> announced{0};
  RefreshTokenRotations::setListener([&announced] { ++announced; });
  std::string error;
  ASSERT_TRUE(uidls(login, error)) << error;
  const std::string second = RefreshTokenRotations::newest(login.refreshToken);
  EXPECT_NE(second, login.refreshToken);
  EXPECT_EQ(second.rfind("rt-", 0), 0u) << second;
  EXPECT_EQ(announced, 1);

  OAuthTokens::forgetAll();  // the threads must refresh, each with the token it finds newest
  std::vector<std::string> errors(3);
  std::vector<std::thread> checks;
  for (std::string& e : errors) {
    checks.emplace_back([&, this] {
      std::string own;
      if (!uidls(login, own)) e = own.empty() ? "failed" : own;
    });
  }
  for (std::thread& t : checks) t.join();
  RefreshTokenRotations::setListener({});
  EXPECT_EQ(errors, std::vector<std::string>(3)) << errors[0] << errors[1] << errors[2];
  EXPECT_GE(announced, 1);
  // The old tokens were withdrawn: only the newest still signs in.
  for (const std::string& old : {login.refreshToken, second}) {
    OAuthLogin stale = login;
    stale.refreshToken = old;
    TokenFailure failure;
    bool fromMemory = false;
    OAuthTokens::forgetAll();
    RefreshTokenRotations::forgetAll();
    EXPECT_FALSE(OAuthTokens::accessToken(stale, true, fromMemory, failure, 10));
    EXPECT_TRUE(failure.refused) << failure.reason;
  }
}

}  // namespace
}  // namespace tidewell::mail::testing
