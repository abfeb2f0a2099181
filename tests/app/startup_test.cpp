// Start-up and shut-down of the main window: the start window's New, Open and Quit, the
// new-profile wizard, the private folders the program makes, one writer per profile, and what
// closing a profile writes back.

#include <unistd.h>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>

#include "app_fixture.h"
#include "cli_runner.h"
#include "new_profile_wizard.h"
#include "program_folder.h"
#include "store/profile_lock.h"

namespace tidewell::testing {

namespace {

namespace fs = std::filesystem;
using app::MainWindow;
using app::NewProfileWizard;

// Clicks Next on pages before `page`; they must all let the wizard go on.
void advanceTo(NewProfileWizard& wizard, int page) {
  while (wizard.page() < page) wizard.nextButton()->click();
}

// Clicks Next; returns the boxes it opened, answered with OK.
QStringList pressNext(NewProfileWizard& wizard) {
  return boxesAfter([&] { wizard.nextButton()->click(); });
}

fs::perms modeOf(const fs::path& path) {
  return fs::status(path).permissions() & fs::perms::all;
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
    QCOMPARE(program.setting("startfile"), std::string());
    QCOMPARE(program.setting("version"), std::string("3.3"));
    QDir folder(QString::fromStdString(program.path().string()));
    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"tidewell.ini"});
  }

  void newRunsTheWizardAndOpensItsProfile() {
    ProgramFolder program;
    MainWindow window(program.path());
    ModalScript script;
    script.onWidget("frmStartup", [](QWidget* w) { clickLater(w, "cmdNew"); })
        .onWidget("frmNewProfile", [](QWidget* w) {
          fillWizard(w);
          for (int page = 1; page <= 5; ++page) child<QPushButton>(w, "Command1_1")->click();
        });
    QVERIFY(window.Form_Load());
    QVERIFY(script.done());
    QCOMPARE(window.tree()->nodeCount(), 4);
    QCOMPARE(window.tree()->nodeAt(1)->text(0), QString("Gold"));
    QCOMPARE(window.currentIndex(), 1);
    QCOMPARE(program.setting("startfile"), std::string("Gold.dat"));
  }

  void openRemembersTheChosenFileAndItsFolder() {
    ProgramFolder program;
    ProgramFolder lists;
    fs::path silver = lists.createProfile("Silver");
    MainWindow window(program.path());
    ModalScript script;
    script.onWidget("frmStartup", [](QWidget* w) { clickLater(w, "cmdOpen"); })
        .then([&](QWidget* w) {
          auto* dialog = qobject_cast<QFileDialog*>(w);
          if (!dialog || dialog->windowTitle() != "Select Profile") return false;
          if (dialog->nameFilters() != QStringList{"DAT Files (*.dat)"}) return false;
          child<QLineEdit>(dialog, "fileNameEdit")
              ->setText(QString::fromStdString(silver.string()));
          QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
          return true;
        });
    QVERIFY(window.Form_Load());
    QVERIFY(script.done());
    QCOMPARE(window.tree()->nodeAt(1)->text(0), QString("Silver"));
    QCOMPARE(program.setting("startfile"), std::string("Silver.dat"));
    QCOMPARE(program.setting("path"), store::folderText(lists.path()));
    QCOMPARE(fs::current_path(), program.path());
  }

  void shutDownWritesSubscribersColumnsAndOrder() {
    ProgramFolder program;
    fs::path profile = program.createProfile();
    program.addNodes(profile, "fn");  // the newsletter's block lands before the filter's
    auto before = readLines(profile);
    QVERIFY(std::find(before.begin(), before.end(), "index: 6") <
            std::find(before.begin(), before.end(), "index: 5"));

    MainWindow window(program.path());
    QVERIFY(window.Form_Load());
    window.session()->table().add(
        {"ann@example.com", "Ann", {2026, 1, 2}, "none", "true", "Filter_1", ""});
    window.session()->table().setChanged();
    child<QTableView>(window.userPanel(), "grid")->horizontalHeader()->resizeSection(1, 300);
    window.Form_Unload();

    QVERIFY(program.setting("grid").find("Email Address:ON:4500:tvemailaddy,") !=
            std::string::npos);
    auto after = readLines(profile);
    QVERIFY(std::find(after.begin(), after.end(), "index: 5") <
            std::find(after.begin(), after.end(), "index: 6"));
    QVERIFY(readBytes(program.path() / "Gold.txt").find("ann@example.com") != std::string::npos);
  }

  void emptyWizardFieldStopsItsPage() {
    for (auto [page, field, box] :
         {std::tuple{1, "txtProfile", "Profile Title|Profile Title is blank."},
          {2, "txtEmail", "Email Address|Email Address is blank."},
          {2, "txtReply", "Email Address|Reply Address is blank."},
          {3, "txtPop", "POP3 Server|POP3 Server is blank."},
          {3, "txtSMTP", "SMTP Server|SMTP Server is blank."},
          {4, "txtAccount", "Account Name|Account Name is blank."},
          {4, "txtPassword", "Password|Password is blank."}}) {
      ProgramFolder program;
      NewProfileWizard wizard(program.settings, program.cipher);
      QVERIFY(showActive(&wizard));
      fillWizard(&wizard);
      auto* emptied = child<QLineEdit>(&wizard, field);
      emptied->clear();
      advanceTo(wizard, page);
      QCOMPARE(pressNext(wizard), QStringList{box});
      QCOMPARE(wizard.page(), page);
      QCOMPARE(wizard.focusWidget(), emptied);
    }
  }

  void wizardBackNeedsNoFilledFieldsAndOnlyTheLastPageFinishes() {
    ProgramFolder program;
    NewProfileWizard wizard(program.settings, program.cipher);
    fillWizard(&wizard);
    advanceTo(wizard, 5);
    QCOMPARE(wizard.nextButton()->text(), QString("&Finish"));
    child<QLineEdit>(&wizard, "txtAccount")->clear();
    child<QLineEdit>(&wizard, "txtEmail")->clear();
    QVERIFY(boxesAfter([&] {
              for (int i = 0; i < 3; ++i) wizard.backButton()->click();
            }).isEmpty());
    QCOMPARE(wizard.page(), 2);
    QCOMPARE(wizard.nextButton()->text(), QString("&Next >"));
  }

  void wizardFinishRefusesATitleThatIsTaken() {
    ProgramFolder program;
    program.createProfile("Gold");
    NewProfileWizard wizard(program.settings, program.cipher);
    QVERIFY(showActive(&wizard));
    fillWizard(&wizard);
    advanceTo(wizard, 5);
    QCOMPARE(pressNext(wizard), QStringList{"Profile Title|A profile named Gold already exists."});
    QCOMPARE(wizard.profileSuccess(), QString("false"));
    QCOMPARE(wizard.page(), 1);
    QCOMPARE(wizard.focusWidget(), child<QLineEdit>(&wizard, "txtProfile"));
  }

  void firstStartMakesTheProgramFolder0700() {
    TempFolder home;
    fs::permissions(home.path(), fs::perms(0755));
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QString savedCurrent = QDir::currentPath();
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home / "share").string()));
    std::optional<fs::path> folder = app::enterProgramFolder();
    QDir::setCurrent(savedCurrent);
    qputenv("XDG_DATA_HOME", savedData);
    QVERIFY(folder && fs::is_directory(*folder));
    // Every level made on the way is private; the one that was there is left as it was.
    for (fs::path level = *folder; level != home.path(); level = level.parent_path()) {
      QCOMPARE(modeOf(level), fs::perms(0700));
    }
    QCOMPARE(modeOf(home.path()), fs::perms(0755));
  }

  void wizardRemakesAProgramFolderThatWentAway() {
    ProgramFolder program;
    fs::remove_all(program.path());
    NewProfileWizard wizard(program.settings, program.cipher);
    fillWizard(&wizard);
    advanceTo(wizard, 5);
    wizard.nextButton()->click();
    QCOMPARE(wizard.profileSuccess(), QString("true"));
    QCOMPARE(modeOf(program.path()), fs::perms(0700));
    QCOMPARE(modeOf(program.path() / "Gold.dat"), fs::perms(0600));
    QCOMPARE(modeOf(program.path() / "tidewell.ini"), fs::perms(0600));
  }

  void aProfileAnotherProgramWritesIsRefusedNamingIt() {
    ProgramFolder program;
    const fs::path profile = program.createProfile();
    store::ProfileLock other;
    std::string refusal;
    QVERIFY(other.acquire(profile, "tidewell-cli check", std::chrono::milliseconds(0), refusal));
    MainWindow window(program.path());
    ModalScript script;
    script.answerBox(QMessageBox::Ok).onWidget("frmStartup", [](QWidget* w) {
      clickLater(w, "cmdQuit");
    });
    QVERIFY(!window.Form_Load());
    QVERIFY(script.done());
    QVERIFY2(script.boxes().first().contains(
                 QStringLiteral("Gold is open in tidewell-cli check, process %1").arg(::getpid())),
             qPrintable(script.boxes().join(" / ")));
  }

  void theOpenWindowRefusesWritingCommandsUntilItCloses() {
    ProgramFolder program;
    program.createProfile();
    MainWindow window(program.path());
    QVERIFY(window.Form_Load());
    struct Case {
      std::vector<std::string> args;
      int status;
    };
    for (const Case& c : {Case{{"set", "1", "reply", "x@example.com"}, 75},
                          Case{{"--wait", "1", "send"}, 75}, Case{{"get", "1", "title"}, 0}}) {
      CliResult r = runCli(program.path(), c.args);
      QCOMPARE(r.status, c.status);
      if (c.status != 0)
        QVERIFY2(r.err.find("Gold is open in Tidewell, process " + std::to_string(::getpid())) !=
                     std::string::npos,
                 r.err.c_str());
    }
    window.Form_Unload();
    QCOMPARE(runCli(program.path(), {"set", "1", "reply", "x@example.com"}).status, 0);
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<StartupTest>("StartupTest");

}  // namespace tidewell::testing

#include "startup_test.moc"
