// Keeps pictures of the windows (main window, start window, every wizard page, about window)
// in the build tree, so that a change of layout is seen in review.

#include <QPushButton>
#include <QTest>

#include "about_window.h"
#include "app_fixture.h"
#include "mail/fake_mail_server.h"
#include "main_window.h"
#include "modal_script.h"
#include "new_profile_wizard.h"
#include "startup_window.h"
#include "store/subscriber_file.h"

namespace tidewell::testing {

namespace {

void save(QWidget& widget, const std::string& name) {
  widget.show();
  QVERIFY(QTest::qWaitForWindowExposed(&widget));
  savePicture(&widget, name);
  QVERIFY(std::filesystem::file_size(screenshotFolder() / (name + ".png")) > 1000);
}

}  // namespace

class ScreenshotTest : public QObject {
  Q_OBJECT

 private slots:
  void mainWindow() {
    ProgramFolder program;
    std::filesystem::path profile = program.createProfile();
    program.addNodes(profile, "ffnn");
    std::vector<store::SubscriberData> records;
    int day = 20;
    for (std::string name : {"Ann", "Bob", "Cy", "Dee", "Eve"}) {
      records.push_back({name + "@example.com",
                         name + " Lee",
                         {2026, 11, day++},
                         "none",
                         name == "Dee" ? "false" : "true",
                         day % 2 ? "Filter_2" : "Filter_1",
                         ""});
    }
    program.writeSubscribers(profile, records);
    mail::FakeMailServer server;
    app::MainWindow window(program.path());
    window.cycleDriver()->setClientFactory(server.factory());
    QVERIFY(window.Form_Load());
    save(window, "main_window");
    window.ShowFrame(2);
    save(window, "main_window_server_settings");
  }

  void startWindow() {
    ProgramFolder program;
    app::StartupWindow start(program.settings, program.cipher, program.path());
    save(start, "start_window");
  }

  void wizardPages() {
    ProgramFolder program;
    app::NewProfileWizard wizard(program.settings, program.cipher);
    fillWizard(&wizard);
    for (int page = 1; page <= 5; ++page) {
      save(wizard, "wizard_page_" + std::to_string(page));
      if (page < 5) wizard.nextButton()->click();
    }
  }

  void aboutWindow() {
    app::AboutWindow about;
    save(about, "about_window");
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<ScreenshotTest>("ScreenshotTest");

}  // namespace tidewell::testing

#include "screenshot_test.moc"
