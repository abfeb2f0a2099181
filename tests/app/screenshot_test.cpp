// Keeps pictures of the windows (main window, start window, every wizard page, about window)
// in the build tree, so that a change of layout is seen in review.

#include <QPushButton>
#include <QTest>

#include "about_window.h"
#include "new_profile_wizard.h"
#include "startup_window.h"
#include "subscriber_window.h"

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
    SubscriberWindow w("ffnn");
    w.writeSubscribers({person("Ann"), person("Bob", "Filter_2"), person("Cy"),
                        person("Dee", "Filter_2", "false"), person("Eve")});
    w.load();
    save(*w.window, "main_window");
    w.window->ShowFrame(2);
    save(*w.window, "main_window_server_settings");
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
