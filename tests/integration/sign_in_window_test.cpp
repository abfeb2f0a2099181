// The window's "Sign in..." against the rig's OAuth2 server, the test as the system browser; run
// inside keyring_session.sh (TIDEWELL_EXPECT_KEYRING=1) the secrets go to the keyring.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QEventLoop>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QUrlQuery>
#include <cstdlib>
#include <thread>

#include "app/rotated_sign_in_saver.h"
#include "cipher/dated_password_cipher.h"
#include "cipher/system_keyring.h"
#include "editor/ui/server_settings_panel.h"
#include "engine/outgoing_mail.h"
#include "engine/rotated_sign_ins.h"
#include "mail/net_mail_client.h"
#include "sending_profile.h"
#include "store/keyring_password_cipher.h"
#include "store/profile_settings.h"

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

class SignInWindow : public SendingProfile {
 protected:
  void SetUp() override {
    RigTest::SetUp();
    makeProfile("SMTP_PLAIN_PORT");
    QDesktopServices::setUrlHandler("http", &browser, "open");
  }
  void TearDown() override { QDesktopServices::unsetUrlHandler("http"); }

  std::string profileText() { return readBytes(folder / "Send.dat"); }

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
    const QString authority = QString::fromStdString(rig.oauthAuthority());
    for (const auto& [field, value] :
         {std::pair<QString, QString>{"AuthUrl", authority + "/authorize"},
          {"TokenUrl", authority + "/token"},
          {"ClientId", "tidewell-window"},
          {"Scopes", "mail"}})
      w.find<QLineEdit>("txt" + prefix + field)->setText(value);
    browser.opened.clear();
    QTest::mouseClick(w.find<QPushButton>("cmd" + prefix + "SignIn"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser.opened.isValid(); }, 10000));
    const QUrlQuery query(browser.opened);
    EXPECT_EQ(query.queryItemValue("code_challenge_method"), "S256");
    EXPECT_THAT(query.queryItemValue("redirect_uri").toStdString(),
                StartsWith("http://127.0.0.1:"));
    const std::string redirect =
        rig.consent(browser.opened.toString(QUrl::FullyEncoded).toStdString(), user);
    // The window's loopback listener answers on this thread: the request waits in an event loop.
    QNetworkAccessManager net;
    QEventLoop loop;
    QNetworkReply* reply = net.get(QNetworkRequest(QUrl(QString::fromStdString(redirect))));
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    const std::string done = prefix == "Pop" ? "Pop3 is signed in" : "SMTP is signed in";
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.saw(done); }, 20000))
        << ::testing::PrintToString(w.statuses);
  }

  UrlCatcher browser;
};

// The sign-in is kept with the secrets where the program keeps them; a rotating provider then
// replaces the refresh token while a transfer runs on its worker thread: the window saves the
// new one on its own thread at once, and another program signs in with what was saved.
TEST_F(SignInWindow, SignInIsSavedAReplacedTokenAtOnceAndTheCheckCycleLogsInWithIt) {
  const bool keyring = std::getenv("TIDEWELL_EXPECT_KEYRING") != nullptr;
  Window w(folder / "Send.dat");
  signIn(w, "Pop", list.user);
  signIn(w, "Smtp", list.user);
  for (const store::OAuthAccount* a : {&w.settings.pop_oauth, &w.settings.smtp_oauth}) {
    EXPECT_THAT(a->refresh_token, StartsWith("rt-"));
    EXPECT_EQ(a->token_url, rig.oauthAuthority() + "/token");
    EXPECT_EQ(a->client_id, "tidewell-window");
  }
  EXPECT_TRUE(w.settings.smtp_oauth2);  // pop_oauth2 is what the transfer below logs in with
  EXPECT_NE(w.settings.pop_oauth.refresh_token, w.settings.smtp_oauth.refresh_token);
  const std::string storedBefore = profileText();
  EXPECT_THAT(storedBefore, HasSubstr("popauth: oauth2"));
  EXPECT_THAT(storedBefore, HasSubstr("smtpauth: oauth2"));
  EXPECT_THAT(storedBefore, HasSubstr("pop_oauth_client_id: tidewell-window"));
  EXPECT_THAT(storedBefore, Not(HasSubstr("rt-")));  // the refresh tokens are secrets
  for (const char* key : {"pop_oauth_refresh_token: ", "smtp_oauth_refresh_token: "}) {
    const std::size_t at = storedBefore.find(key);
    ASSERT_NE(at, std::string::npos) << key;
    const std::string stored = storedBefore.substr(at + std::strlen(key), 8);
    EXPECT_EQ(stored.rfind("keyring:", 0) == 0, keyring) << key << stored;
  }

  rig.oauthControl("rotate", list.user);
  const std::string signedIn = w.settings.pop_oauth.refresh_token;
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
  EXPECT_THAT(profileText(), Not(HasSubstr("rt-")));

  // The first token was withdrawn: the check cycle signs in with the saved one, not with the
  // (now wrong) password.
  ASSERT_EQ(cli({"set-password", "pop3"}, "wrong\n").status, 0);
  rig.deliver(list,
              "From: a@example.org\r\nTo: " + list.address() + "\r\nSubject: hello\r\n\r\nHi.\r\n");
  CliResult check = cli({"check"});
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_THAT(check.err, HasSubstr("New messages Downloaded"));
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
