#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "sending_profile.h"
#include "store/text.h"
#include "store/text_file.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using mail::testing::Mailbox;
using ::testing::HasSubstr;
using ::testing::Not;

// The sending profile as a list taking subjects with "join" into Filter_1 and answering with a
// days-"0" HTML newsletter with an attachment.
class MailLoop : public SendingProfile {
 protected:
  void SetUp() override {
    RigTest::SetUp();
    makeProfile("SMTP_PLAIN_PORT");
    reader = rig.claimMailbox();
    ASSERT_EQ(cli({"set-rules", "Filter_1", "Subject|Has|join"}).status, 0);
    set(5, "displayname", "The Loop List");
    set(5, "subject", "join");  // the opt-in code subscribers added by hand need
    writeBytes(folder / "welcome.html", "<html><body>Hello ~name~ (~email~)</body></html>");
    writeBytes(folder / "guide.pdf", "%PDF-1.4 guide");
    set(6, "location", (folder / "welcome.html").string());
    set(6, "attach", (folder / "guide.pdf").string());
    set(6, "subject", "Welcome ~name~");
    set(6, "days", "0");
  }

  void sendToList(const std::string& from, const std::string& name, const std::string& subject,
                  const std::string& body) {
    mail::NetMailClient client = rig.client();
    client.setSmtp(rig.smtp());
    mail::OutgoingMessage m;
    m.fromAddress = from;
    m.fromName = name;
    m.toAddress = list.address();
    m.subject = subject;
    m.body = body;
    ASSERT_EQ(client.send(m), mail::kSendAccepted) << client.lastError();
    client.endSmtpSession();
  }

  std::string subscribers() { return cli({"subscribers"}).out; }
  // tidewell-cli trusting only the system's certificates, not the rig's.
  CliResult untrustedCli(std::vector<std::string> args,
                         const std::optional<std::string>& input = std::nullopt) {
    return runCli(folder.path(), args, input);
  }

  Mailbox reader;
};

TEST_F(MailLoop, SignUpByMailIsCapturedAndAnsweredWithThePersonalisedNewsletter) {
  sendToList(reader.address(), "Zoë Ünicode", "please join", "Sign me up.");

  CliResult first = cli({"check"});
  ASSERT_EQ(first.status, 0) << first.err << errorLog();
  EXPECT_THAT(first.err, HasSubstr("New messages have been sent!"));
  EXPECT_THAT(subscribers(), HasSubstr(reader.address() + ",Zoë Ünicode,"));

  auto received = readMailbox(reader);
  ASSERT_EQ(received.size(), 1u);
  const auto& m = received[0];
  EXPECT_EQ(m.subject, "Welcome Zoë Ünicode");
  EXPECT_EQ(m.senderAddress, list.address());
  EXPECT_EQ(m.senderName, "The Loop List");
  EXPECT_THAT(m.body, HasSubstr("Hello Zoë Ünicode (" + reader.address() + ")"));
}

TEST_F(MailLoop, TaggedReturnPathBringsTheReportBackToTheSubscriberItNames) {
  set(2, "verp", "true");
  set(6, "days", "All");
  addSubscriber("Dead@example.net", "Dead");
  addSubscriber(reader.address(), "Reader");
  CliResult sent = cli({"send"});
  EXPECT_EQ(sent.status, 1);  // the dead address was refused
  EXPECT_THAT(errorLog(), HasSubstr("550"));
  ASSERT_EQ(readMailbox(list).size(), 1u);  // the report, naming Dead only as rewritten
  // A bare 550 names no reason: the send alone switches nobody off.
  EXPECT_THAT(subscribers(), ::testing::ContainsRegex("Dead@example\\.net,Dead,[0-9/]+,true,"));

  CliResult checked = cli({"check"});
  ASSERT_EQ(checked.status, 0) << checked.err << errorLog();
  std::string table = subscribers();
  EXPECT_THAT(table, ::testing::ContainsRegex("Dead@example\\.net,Dead,[0-9/]+,false,"));
  EXPECT_THAT(table, ::testing::ContainsRegex(",Reader,[0-9/]+,true,"));
  auto log = store::readLines(folder / "deactivated.log");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_THAT(log[0],
              HasSubstr("\tDead@example.net\tFilter_1\tbounce: permanent failure\t5.1.1\t"));
  EXPECT_THAT(log[0], HasSubstr("report@rig.example"));
}

TEST_F(MailLoop, LoginFailuresEndTheCycleWithTheStatusTextAndTheReasonInTheLog) {
  struct Case {
    std::string what, key, value;
    std::string reason;
    bool trust = true;
  };
  std::vector<Case> cases = {
      {"wrong password", "pass", "wrong", "the account name or password was refused"},
      {"closed port", "PopPort", std::to_string(rig.port("CLOSED_PORT")),
       "the server could not be reached"},
      {"silent server", "PopPort", std::to_string(rig.port("POP_SILENT_PORT")),
       "the server did not answer in time"},
      {"untrusted certificate", "PopPort", std::to_string(rig.port("POP_PLAIN_PORT")),
       "the server's certificate is not trusted", false},
  };
  set(2, "server_timeout", "2");
  sendToList("a@example.org", "", "join", "1");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.key == "pass") {
      ASSERT_EQ(runCli(folder.path(), {"set-password", "pop3"}, c.value + "\n").status, 0);
    } else {
      set(2, c.key, c.value);
    }
    std::size_t before = store::splitLines(errorLog()).size();
    CliResult result = c.trust ? cli({"check"}) : untrustedCli({"check"});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr("Problems logging into Pop3: " + c.reason));
    auto log = store::splitLines(errorLog());
    ASSERT_GT(log.size(), before);
    EXPECT_THAT(log.back(), HasSubstr("Logging into Pop3 failed: "));
    EXPECT_THAT(subscribers(), Not(HasSubstr("a@example.org")));
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "Loop.uidls"));
}

TEST_F(MailLoop, TrustCertificateShowsTheServersCertificateAsksAndPinsIt) {
  sendToList("trust@example.org", "", "join", "1");
  // The SMTP server upgrades with STARTTLS to the same self-signed certificate.
  for (auto [account, answer] : {std::pair{"pop3", "n\n"}, {"pop3", "y\n"}, {"smtp", "y\n"}}) {
    CliResult shown = untrustedCli({"trust-certificate", account}, answer);
    EXPECT_EQ(shown.status, answer[0] == 'y' ? 0 : 1) << shown.err;
    EXPECT_THAT(shown.out, HasSubstr("Subject: CN=localhost"));
    EXPECT_THAT(shown.out, HasSubstr("Not trusted: self-signed certificate"));
    EXPECT_THAT(shown.out, HasSubstr("SHA-256 fingerprint: "));
  }
  std::string pinned = cli({"get", "2", "popcert"}).out;
  EXPECT_EQ(pinned.size(), 96u);  // 32 hex pairs, colons and the line end
  CliResult check = untrustedCli({"check"});
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_THAT(subscribers(), HasSubstr("trust@example.org"));
  EXPECT_EQ(rig.acceptedCount("trust"), 1u);  // the welcome went out over the pinned SMTP server
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

class OAuthLoop : public MailLoop {
 protected:
  // tidewell-cli sign-in in the background, the test as the browser; its exit status.
  int signIn(const std::string& account, const std::string& user) {
    std::string command = std::string(TIDEWELL_CLI) + " --folder '" + folder.path().string() +
                          "' sign-in --account " + account + " --provider Other --auth-url " +
                          rig.oauthAuthority() + "/authorize --token-url " + rig.oauthAuthority() +
                          "/token --client-id tidewell-test --scopes mail --timeout 60" +
                          " </dev/null 2>&1";
    FILE* cli = popen(command.c_str(), "r");
    std::string url;
    char line[4096];
    while (url.empty() && fgets(line, sizeof line, cli)) {
      if (std::strncmp(line, "http://", 7) == 0) url.assign(line, std::strcspn(line, "\r\n"));
    }
    EXPECT_FALSE(url.empty());
    if (!url.empty()) {
      EXPECT_THAT(url, HasSubstr("code_challenge_method=S256"));
      const std::string redirect = rig.consent(url, user);
      EXPECT_THAT(mail::testing::httpRequest(redirect), HasSubstr("Tidewell is signed in"));
    }
    while (fgets(line, sizeof line, cli)) output += line;
    const int raw = pclose(cli);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  std::string output;
};

TEST_F(OAuthLoop, SignedInFromTheTerminalTheCycleChecksAndSendsWithTokens) {
  ASSERT_EQ(signIn("pop3", list.user), 0) << output;
  ASSERT_EQ(signIn("smtp", list.user), 0) << output;
  EXPECT_THAT(output, HasSubstr("smtp logs in with OAuth2"));
  // The password no longer matters; the SMTP server wants a log-in over TLS.
  ASSERT_EQ(cli({"set-password", "pop3"}, "wrong\n").status, 0);
  set(2, "SMTPPort", std::to_string(rig.port("SMTP_SUBMISSION_PORT")));
  set(2, "SMTPSSL", "1");
  EXPECT_THAT(readBytes(folder / "Send.dat"),
              HasSubstr("pop_oauth_token_url: " + rig.oauthAuthority() + "/token"));

  sendToList(reader.address(), "Reader", "please join", "Sign me up.");
  CliResult first = cli({"check"});
  ASSERT_EQ(first.status, 0) << first.err << errorLog();
  EXPECT_THAT(first.err, HasSubstr("New messages have been sent!"));
  EXPECT_EQ(readMailbox(reader).size(), 1u);

  rig.oauthControl("revoke", list.user);
  CliResult refused = cli({"check"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_THAT(refused.err, HasSubstr("Pop3 sign-in has expired. Sign in again in Server Settings"));
  EXPECT_THAT(errorLog(), HasSubstr("Sign in again: the provider no longer accepts"));
}

// A check stopped right after the provider replaced its refresh token (and withdrew the old
// one), by SIGKILL (a crash) or SIGTERM (a cron time-out, a shutdown): the next check must still
// sign in. A POP3 server that never answers holds the check after the refresh, before its log-in.
TEST_F(OAuthLoop, ACheckStoppedAfterATokenRefreshNeverCostsASignIn) {
  for (int signal : {SIGKILL, SIGTERM}) {
    SCOPED_TRACE(strsignal(signal));
    ASSERT_EQ(signIn("pop3", list.user), 0) << output;
    rig.oauthControl("rotate", list.user);
    SilentServer silent;
    set(2, "PopPort", std::to_string(silent.port));
    const pid_t check = spawnCli({"check"}, folder / "check.err");
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
  EXPECT_THAT(readBytes(folder / "Send.dat"), Not(HasSubstr("rt-")));  // saved as a secret
}

}  // namespace
}  // namespace tidewell::testing
