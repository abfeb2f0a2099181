// A check stopped right after the provider replaced its refresh token, by SIGKILL (a crash) or
// SIGTERM (a cron time-out, a shutdown), against the rig's OAuth2 server, which withdraws the
// old token: the next check must still sign in. The test stands in for a POP3 server that never
// answers, so the check is stopped after the refresh and before its log-in.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cipher/dated_password_cipher.h"
#include "mail/oauth_tokens.h"
#include "sending_profile.h"
#include "store/oauth_account.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::size_t collect(char* data, std::size_t size, std::size_t count, void* sink) {
  static_cast<std::string*>(sink)->append(data, size * count);
  return size * count;
}

// A listening socket on 127.0.0.1 that accepts and says nothing.
struct SilentServer {
  SilentServer() {
    listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(listener, reinterpret_cast<sockaddr*>(&address), size);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
  }
  ~SilentServer() {
    if (client >= 0) close(client);
    close(listener);
  }
  bool accepted(int timeoutMs) {
    pollfd watch{listener, POLLIN, 0};
    if (poll(&watch, 1, timeoutMs) != 1) return false;
    client = accept(listener, nullptr, nullptr);
    return client >= 0;
  }
  int listener = -1;
  int client = -1;
  int port = 0;
};

class SignInKill : public SendingProfile {
 protected:
  std::string authority() { return "http://127.0.0.1:" + std::to_string(rig.port("OAUTH_PORT")); }

  std::string control(const std::string& what) {
    CURL* h = curl_easy_init();
    std::string reply;
    const std::string url = authority() + "/test/" + what;
    const std::string form = "user=" + list.user;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, form.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
    EXPECT_EQ(curl_easy_perform(h), CURLE_OK) << url;
    curl_easy_cleanup(h);
    return reply;
  }

  // The profile's POP3 account signed in at the rig's provider, which rotates its tokens.
  void signIn() {
    TrapFixture fx;
    cipher::DatedPasswordCipher cipher(fx.trap);
    store::ProfileStore profile(folder / "Send.dat", fx.trap);
    store::OAuthAccount account;
    account.provider = "Other";
    account.auth_url = authority() + "/authorize";
    account.token_url = authority() + "/token";
    account.client_id = "tidewell-cli";
    account.scopes = "mail";
    account.refresh_token = mail::jsonMember(control("issue"), "refresh_token").value_or("");
    ASSERT_FALSE(account.refresh_token.empty());
    ASSERT_TRUE(store::writeOAuthAccount(profile, cipher, "pop", account, "12/7/2026"));
    control("rotate");
  }
};

TEST_F(SignInKill, ACheckStoppedAfterATokenRefreshNeverCostsASignIn) {
  makeProfile("SMTP_PLAIN_PORT");
  for (int signal : {SIGKILL, SIGTERM}) {
    SCOPED_TRACE(strsignal(signal));
    signIn();
    SilentServer silent;
    set(2, "PopPort", std::to_string(silent.port));
    const pid_t check = startCli({"check"}, folder / "check.err");
    // The log-in comes after the refresh: the token has been replaced by now.
    ASSERT_TRUE(silent.accepted(30000)) << readBytes(folder / "check.err");
    kill(check, signal);
    if (signal == SIGTERM) close(std::exchange(silent.client, -1));  // the log-in fails now
    int status = 0;
    ASSERT_EQ(waitpid(check, &status, 0), check);
    // SIGTERM is handled: the check ends by itself.
    EXPECT_EQ(WIFSIGNALED(status), signal == SIGKILL);
    set(2, "PopPort", std::to_string(rig.port("POP_PLAIN_PORT")));
    CliResult again = cli({"check"});
    EXPECT_EQ(again.status, 0) << again.err << errorLog();
    EXPECT_THAT(again.err, Not(HasSubstr("sign-in has expired")));
  }
}

}  // namespace
}  // namespace tidewell::testing
