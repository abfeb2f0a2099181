// The main window saves a refresh token the provider replaced during a transfer: the news comes
// from another thread, the open profile and its server settings take the new token, and the
// account's client secret stays readable beside it.

#include <QTest>
#include <cstdlib>
#include <thread>

#include "app_fixture.h"
#include "mail/refresh_token_rotations.h"
#include "main_window.h"
#include "store/oauth_account.h"
#include "store/profile_document.h"

namespace tidewell::testing {

class SignInRotationTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The window's cipher must never reach a keyring of the machine running the tests.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);
  }

  void aTokenReplacedOnAnotherThreadIsSavedIntoTheOpenProfile() {
    ProgramFolder program;
    const std::filesystem::path path = program.createProfile();
    store::OAuthAccount account;
    account.token_url = "https://provider.example/token";
    account.client_id = "client";
    account.client_secret = "client secret";
    account.refresh_token = "rt-first";
    {
      store::ProfileStore profile(path, program.trap);
      QVERIFY(store::writeOAuthAccount(profile, program.cipher, "pop", account, "1/2/2027"));
    }
    app::MainWindow window(program.path());
    QVERIFY(window.Form_Load());
    QCOMPARE(window.session()->settings().campaign.pop_oauth.refresh_token, "rt-first");

    std::thread([] { mail::RefreshTokenRotations::record("rt-first", "rt-second"); }).join();
    QTRY_COMPARE(window.session()->settings().campaign.pop_oauth.refresh_token, "rt-second");
    store::ProfileStore profile(path, program.trap);
    const store::OAuthAccount saved =
        store::readOAuthAccount(profile.load(), "pop", program.cipher, path);
    QCOMPARE(saved.refresh_token, "rt-second");
    QCOMPARE(saved.client_secret, "client secret");
    QCOMPARE(saved.token_url, account.token_url);
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<SignInRotationTest>("SignInRotationTest");

}  // namespace tidewell::testing

#include "sign_in_rotation_test.moc"
