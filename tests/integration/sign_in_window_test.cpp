// The window's "Sign in..." against the test rig's OAuth2 server: the test plays the system
// browser (it takes the URL the window opens, follows it and posts the consent), then checks
// what the profile keeps and that tidewell-cli's check cycle logs in with the saved sign-in.
// Run inside keyring_session.sh (TIDEWELL_EXPECT_KEYRING=1) the secrets go to the keyring.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QUrlQuery>
#include <cstdlib>
#include <thread>

#include "app/rotated_sign_in_saver.h"
#include "cipher/dated_password_cipher.h"
#include "cipher/system_keyring.h"
#include "cli_runner.h"
#include "editor/ui/server_settings_panel.h"
#include "engine/outgoing_mail.h"
#include "engine/rotated_sign_ins.h"
#include "mail/net_mail_client.h"
#include "mail_rig_fixture.h"
#include "store/keyring_password_cipher.h"
#include "store/profile_settings.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// Stands in for the system browser: remembers the URL the program asked it to open.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QUrl opened;
 public slots:
  void open(const QUrl& url) { opened = url; }
};

// One request of the browser, waited for in a local event loop (the window's loopback listener
// answers meanwhile). location receives a redirect's target.
QByteArray browse(QNetworkAccessManager& net, const QUrl& url, const QByteArray* form,
                  QUrl* location = nullptr) {
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
  request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
  QNetworkReply* reply = form ? net.post(request, *form) : net.get(request);
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  loop.exec();
  if (location) *location = reply->header(QNetworkRequest::LocationHeader).toUrl();
  const QByteArray body = reply->readAll();
  reply->deleteLater();
  return body;
}

class SignInWindow : public mail::testing::RigTest {
 protected:
  void SetUp() override {
    RigTest::SetUp();
    box = rig.claimMailbox();
    ASSERT_EQ(cli({"new-profile", "--title", "Win", "--email", box.address(), "--reply",
                   box.address(), "--pop3", "127.0.0.1", "--smtp", "127.0.0.1", "--account",
                   box.user, "--password", box.password})
                  .status,
              0);
    ASSERT_EQ(cli({"set", "2", "PopPort", std::to_string(rig.port("POP_PLAIN_PORT"))}).status, 0);
    ASSERT_EQ(cli({"new-filter"}).status, 0);
    QDesktopServices::setUrlHandler("http", &browser, "open");
  }
  void TearDown() override { QDesktopServices::unsetUrlHandler("http"); }

  CliResult cli(std::vector<std::string> args,
                const std::optional<std::string>& input = std::nullopt) {
    args.insert(args.begin(), {"--ca-file", rig.caFile()});
    return runCli(folder.path(), args, input);
  }
  std::string authority() { return "http://127.0.0.1:" + std::to_string(rig.port("OAUTH_PORT")); }
  std::string profileText() { return readBytes(folder / "Win.dat"); }

  // The panel as the main window shows it, on the programs' own cipher and keyring.
  struct Window {
    explicit Window(const std::filesystem::path& path)
        : trap(path.parent_path(), ui, clock),
          enciphering(trap),
          keyring(cipher::systemKeyring()),
          secrets(enciphering, keyring.get(), trap),
          profile(path, trap),
          settings(store::loadProfileSettings(profile, secrets).campaign) {
      editor::ui::PanelServices s;
      s.profile = &profile;
      s.trap = &trap;
      s.settings = &settings;
      s.cipher = &secrets;
      s.showStatus = [this](const std::string& text) { statuses.push_back(text); };
      panel = std::make_unique<editor::ui::ServerSettingsPanel>(s, nullptr);
      panel->showBlock(2);
    }
    template <class W>
    W* find(const QString& name) {
      W* w = panel->findChild<W*>(name);
      EXPECT_NE(w, nullptr) << name.toStdString();
      return w;
    }
    bool saw(const std::string& status) const {
      return std::find(statuses.begin(), statuses.end(), status) != statuses.end();
    }
    RecordingOperator ui;
    FixedClock clock;
    store::ErrorTrap trap;
    cipher::DatedPasswordCipher enciphering;
    std::unique_ptr<store::SecretStore> keyring;
    store::KeyringPasswordCipher secrets;
    store::ProfileStore profile;
    store::CampaignProperties settings;
    std::unique_ptr<editor::ui::ServerSettingsPanel> panel;
    std::vector<std::string> statuses;
  };

  // Fills the account's OAuth2 fields with the rig's server, presses "Sign in..." and consents
  // in the "browser" as user.
  void signIn(Window& w, const QString& prefix, const std::string& user) {
    w.find<QComboBox>("cbo" + prefix + "Auth")->setCurrentText("OAuth2");
    w.find<QComboBox>("cbo" + prefix + "Provider")->setCurrentText("Other");
    w.find<QLineEdit>("txt" + prefix + "AuthUrl")
        ->setText(QString::fromStdString(authority() + "/authorize"));
    w.find<QLineEdit>("txt" + prefix + "TokenUrl")
        ->setText(QString::fromStdString(authority() + "/token"));
    w.find<QLineEdit>("txt" + prefix + "ClientId")->setText("tidewell-window");
    w.find<QLineEdit>("txt" + prefix + "Scopes")->setText("mail");
    browser.opened.clear();
    QTest::mouseClick(w.find<QPushButton>("cmd" + prefix + "SignIn"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser.opened.isValid(); }, 10000));
    const QUrl url = browser.opened;
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue("code_challenge_method"), "S256");
    EXPECT_THAT(query.queryItemValue("redirect_uri").toStdString(),
                StartsWith("http://127.0.0.1:"));

    QNetworkAccessManager net;
    EXPECT_THAT(browse(net, url, nullptr).toStdString(), HasSubstr("Allow"));
    QUrl consentTo = url;
    consentTo.setQuery(QString());
    const QByteArray consent =
        url.query(QUrl::FullyEncoded).toUtf8() + "&user=" + QByteArray::fromStdString(user);
    QUrl redirect;
    browse(net, consentTo, &consent, &redirect);
    ASSERT_THAT(redirect.toString().toStdString(), StartsWith("http://127.0.0.1:"));
    browse(net, redirect, nullptr);
    const std::string done = prefix == "Pop" ? "Pop3 is signed in" : "SMTP is signed in";
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.saw(done); }, 20000))
        << ::testing::PrintToString(w.statuses);
  }

  TempFolder folder;
  mail::testing::Mailbox box;
  UrlCatcher browser;
};

TEST_F(SignInWindow, SignInFromTheWindowSavesTheSecretAndTheCheckCycleLogsInWithIt) {
  const bool keyring = std::getenv("TIDEWELL_EXPECT_KEYRING") != nullptr;
  {
    Window w(folder / "Win.dat");
    signIn(w, "Pop", box.user);
    signIn(w, "Smtp", box.user);
    for (const store::OAuthAccount* a : {&w.settings.pop_oauth, &w.settings.smtp_oauth}) {
      EXPECT_THAT(a->refresh_token, StartsWith("rt-"));
      EXPECT_EQ(a->token_url, authority() + "/token");
      EXPECT_EQ(a->client_id, "tidewell-window");
    }
    EXPECT_TRUE(w.settings.pop_oauth2);
    EXPECT_TRUE(w.settings.smtp_oauth2);
    EXPECT_NE(w.settings.pop_oauth.refresh_token, w.settings.smtp_oauth.refresh_token);
    w.panel->findChild<QTabWidget*>()->setCurrentIndex(3);
    w.panel->resize(760, 640);
    w.panel->show();
    QDir().mkpath(TIDEWELL_SCREENSHOT_DIR);
    EXPECT_TRUE(w.panel->grab().save(TIDEWELL_SCREENSHOT_DIR "/sign_in_window_signed_in.png"));
  }
  const std::string profile = profileText();
  EXPECT_THAT(profile, HasSubstr("popauth: oauth2"));
  EXPECT_THAT(profile, HasSubstr("smtpauth: oauth2"));
  EXPECT_THAT(profile, HasSubstr("pop_oauth_client_id: tidewell-window"));
  EXPECT_THAT(profile, Not(HasSubstr("rt-")));  // the refresh tokens are secrets
  for (const char* key : {"pop_oauth_refresh_token: ", "smtp_oauth_refresh_token: "}) {
    const std::size_t at = profile.find(key);
    ASSERT_NE(at, std::string::npos) << key;
    const std::string stored = profile.substr(at + std::strlen(key), 8);
    if (keyring)
      EXPECT_THAT(stored, StartsWith("keyring:")) << key;
    else
      EXPECT_THAT(stored, Not(StartsWith("keyring:"))) << key;
  }

  // Another program reads the sign-in back: the check cycle logs in with a token, not with the
  // (now wrong) password.
  ASSERT_EQ(cli({"set-password", "pop3"}, "wrong\n").status, 0);
  rig.deliver(box,
              "From: a@example.org\r\nTo: " + box.address() + "\r\nSubject: hello\r\n\r\nHi.\r\n");
  CliResult check = cli({"check"});
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_THAT(check.err, HasSubstr("New messages Downloaded"));
  EXPECT_THAT(check.err, Not(HasSubstr("Problems logging into Pop3")));
  EXPECT_THAT(check.err, Not(HasSubstr("sign-in has expired")));
}

// A rotating provider replaces the refresh token while a transfer runs on its worker thread:
// the window saves the new one on its own thread at once, without waiting for the cycle's end.
TEST_F(SignInWindow, AReplacedRefreshTokenIsSavedOnTheWindowsThreadAtOnce) {
  Window w(folder / "Win.dat");
  signIn(w, "Pop", box.user);
  QNetworkAccessManager net;
  const QByteArray rotate = "user=" + QByteArray::fromStdString(box.user);
  browse(net, QUrl(QString::fromStdString(authority() + "/test/rotate")), &rotate);
  const std::string signedIn = w.settings.pop_oauth.refresh_token;
  const std::string storedBefore = profileText();

  int saves = 0;
  app::RotatedSignInSaver saver([&] {
    EXPECT_EQ(QThread::currentThread(), qApp->thread());
    ++saves;
    engine::saveRotatedSignIns(w.profile, w.secrets, w.settings, "12/7/2026");
  });
  const mail::PopSettings pop = engine::popSettingsOf(w.settings, rig.caFile());
  std::string error;
  std::thread transfer([&] {
    mail::NetMailClient client = rig.client();
    client.setPop3(pop);
    if (!client.fetchUidls()) error = client.lastError();
    client.endPop3Session();
  });
  transfer.join();
  ASSERT_EQ(error, "");
  QCoreApplication::processEvents();
  EXPECT_EQ(saves, 1);
  EXPECT_THAT(w.settings.pop_oauth.refresh_token, StartsWith("rt-"));
  EXPECT_NE(w.settings.pop_oauth.refresh_token, signedIn);
  EXPECT_NE(profileText(), storedBefore);
  EXPECT_THAT(profileText(), Not(HasSubstr("rt-")));

  // The first token was withdrawn: another program signs in with the saved one.
  ASSERT_EQ(cli({"set-password", "pop3"}, "wrong\n").status, 0);
  CliResult check = cli({"check"});
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_THAT(check.err, Not(HasSubstr("sign-in has expired")));
}

}  // namespace
}  // namespace tidewell::testing

int main(int argc, char** argv) {
  // Without the keyring session the programs must find no keyring, not even the desktop's.
  if (!std::getenv("TIDEWELL_EXPECT_KEYRING"))
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tidewell");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "sign_in_window_test.moc"
