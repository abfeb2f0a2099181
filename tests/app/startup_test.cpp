// Start-up and shut-down of the main window: the start window's New, Open and Quit, and what
// closing a profile writes back.

#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "app_fixture.h"
#include "main_window.h"
#include "modal_script.h"
#include "store/subscriber_file.h"

namespace tidewell::testing {

namespace {

using app::MainWindow;

std::string settingsKey(ProgramFolder& program, const char* key) {
  store::ProfileStore settings(program.settings.path(), program.trap);
  return settings.GetFromFile_new(store::kProgramBlock, key);
}

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void quitOnFirstRunLeavesOnlyTheSettingsFile() {
    ProgramFolder program;
    MainWindow window(program.path());
    ModalScript script;
    script.onWidget("frmStartup", [](QWidget* w) { clickLater(w, "cmdQuit"); });
    QVERIFY(!window.Form_Load());
    QVERIFY(script.done());
    QCOMPARE(settingsKey(program, "startfile"), std::string());
    QCOMPARE(settingsKey(program, "version"), std::string("3.3"));
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(program.path())) {
      QCOMPARE(entry.path().filename().string(), std::string("tidewell.ini"));
      ++files;
    }
    QCOMPARE(files, 1);
  }

  void newRunsTheWizardAndOpensItsProfile() {
    ProgramFolder program;
    MainWindow window(program.path());
    ModalScript script;
    script.onWidget("frmStartup", [](QWidget* w) { clickLater(w, "cmdNew"); })
        .onWidget("frmNewProfile", [](QWidget* w) {
          fillWizard(w);
          for (int page = 1; page <= 5; ++page) {
            w->findChild<QPushButton*>("Command1_1")->click();
          }
        });
    QVERIFY(window.Form_Load());
    QVERIFY(script.done());
    QCOMPARE(window.tree()->nodeCount(), 4);
    QCOMPARE(window.tree()->nodeAt(1)->text(0), QString("Gold"));
    QCOMPARE(window.currentIndex(), 1);
    QCOMPARE(window.currentKind(), QString("user"));
    QCOMPARE(window.windowTitle(), QString("Tidewell 3.3"));
    QCOMPARE(settingsKey(program, "startfile"), std::string("Gold.dat"));
  }

  void openRemembersTheChosenFileAndItsFolder() {
    ProgramFolder program;
    ProgramFolder lists;
    std::filesystem::path silver = lists.createProfile("Silver");
    MainWindow window(program.path());
    ModalScript script;
    script.onWidget("frmStartup", [](QWidget* w) { clickLater(w, "cmdOpen"); })
        .then([&](QWidget* w) {
          auto* dialog = qobject_cast<QFileDialog*>(w);
          if (!dialog) return false;
          if (dialog->windowTitle() != "Select Profile") return false;
          if (dialog->nameFilters() != QStringList{"DAT Files (*.dat)"}) return false;
          dialog->findChild<QLineEdit*>("fileNameEdit")
              ->setText(QString::fromStdString(silver.string()));
          QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
          return true;
        });
    QVERIFY(window.Form_Load());
    QVERIFY(script.done());
    QCOMPARE(window.tree()->nodeAt(1)->text(0), QString("Silver"));
    QCOMPARE(settingsKey(program, "startfile"), std::string("Silver.dat"));
    QCOMPARE(settingsKey(program, "path"), store::folderText(lists.path()));
    QCOMPARE(std::filesystem::current_path(), program.path());
  }

  void shutDownWritesSubscribersColumnsAndOrder() {
    ProgramFolder program;
    std::filesystem::path profile = program.createProfile();
    program.addNodes(profile, "fn");  // the newsletter's block lands before the filter's
    auto before = readLines(profile);
    QVERIFY(std::find(before.begin(), before.end(), "index: 6") <
            std::find(before.begin(), before.end(), "index: 5"));

    MainWindow window(program.path());
    QVERIFY(window.Form_Load());
    window.session()->table().add(
        {"ann@example.com", "Ann", {2026, 1, 2}, "none", "true", "Filter_1", ""});
    window.session()->table().setChanged();
    auto* view = window.userPanel()->findChild<QTableView*>("grid");
    view->horizontalHeader()->resizeSection(1, 300);
    window.Form_Unload();

    QVERIFY(settingsKey(program, "grid").find("Email Address:ON:4500:tvemailaddy,") !=
            std::string::npos);
    auto after = readLines(profile);
    QVERIFY(std::find(after.begin(), after.end(), "index: 5") <
            std::find(after.begin(), after.end(), "index: 6"));
    QVERIFY(readBytes(program.path() / "Gold.txt").find("ann@example.com") != std::string::npos);
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<StartupTest>("StartupTest");

}  // namespace tidewell::testing

#include "startup_test.moc"
