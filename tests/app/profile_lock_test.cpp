// One writer per profile, seen from the window: it refuses a profile another process writes and
// names that process, and while it holds a profile open, tidewell-cli's writing commands are
// refused with the window named (reading ones still run).

#include <unistd.h>
#include <QMessageBox>
#include <QTest>

#include "app_fixture.h"
#include "cli_runner.h"
#include "main_window.h"
#include "modal_script.h"
#include "store/profile_lock.h"

namespace tidewell::testing {

class ProfileLockTest : public QObject {
  Q_OBJECT

 private slots:
  void aProfileAnotherProgramWritesIsRefusedNamingIt() {
    ProgramFolder program;
    const std::filesystem::path profile = program.createProfile();
    store::ProfileLock other;
    std::string refusal;
    QVERIFY(other.acquire(profile, "tidewell-cli check", std::chrono::milliseconds(0), refusal));
    app::MainWindow window(program.path());
    ModalScript script;
    QString shown;
    script
        .then([&shown](QWidget* w) {
          auto* box = qobject_cast<QMessageBox*>(w);
          if (!box) return false;
          shown = box->text();
          clickLater(box->button(QMessageBox::Ok));
          return true;
        })
        .onWidget("frmStartup", [](QWidget* w) { clickLater(w, "cmdQuit"); });
    QVERIFY(!window.Form_Load());
    QVERIFY(script.done());
    QVERIFY2(shown.contains(
                 QStringLiteral("Gold is open in tidewell-cli check, process %1").arg(::getpid())),
             qPrintable(shown));
  }

  void theOpenWindowRefusesWritingCommandsUntilItCloses() {
    ProgramFolder program;
    program.createProfile();
    app::MainWindow window(program.path());
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

[[maybe_unused]] const bool kAdded = addTestClass<ProfileLockTest>("ProfileLockTest");

}  // namespace tidewell::testing

#include "profile_lock_test.moc"
