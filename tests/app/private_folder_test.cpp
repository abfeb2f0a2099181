// The folders the desktop program makes are the operator's alone: the program folder on the
// first start, and the one the wizard writes a new profile into. Folders that exist keep their
// mode.

#include <QDir>
#include <QTest>

#include "app_fixture.h"
#include "new_profile_wizard.h"
#include "program_folder.h"

namespace tidewell::testing {

namespace {

namespace fs = std::filesystem;

fs::perms modeOf(const fs::path& path) {
  return fs::status(path).permissions() & fs::perms::all;
}

}  // namespace

class PrivateFolderTest : public QObject {
  Q_OBJECT

 private slots:
  void firstStartMakesTheProgramFolder0700() {
    TempFolder home;
    fs::permissions(home.path(), fs::perms(0755));
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QString savedCurrent = QDir::currentPath();
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home / "share").string()));
    std::optional<fs::path> folder = app::enterProgramFolder();
    QDir::setCurrent(savedCurrent);
    qputenv("XDG_DATA_HOME", savedData);
    QVERIFY(folder.has_value());
    QVERIFY(fs::is_directory(*folder));
    // Every level made on the way is private; the one that was there is left as it was.
    for (fs::path level = *folder; level != home.path(); level = level.parent_path()) {
      QCOMPARE(modeOf(level), fs::perms(0700));
    }
    QCOMPARE(modeOf(home.path()), fs::perms(0755));
  }

  void wizardRemakesAProgramFolderThatWentAway() {
    ProgramFolder program;
    fs::remove_all(program.path());
    app::NewProfileWizard wizard(program.settings, program.cipher);
    fillWizard(&wizard);
    while (wizard.page() < 5) wizard.nextButton()->click();
    wizard.nextButton()->click();
    QCOMPARE(wizard.profileSuccess(), QString("true"));
    QCOMPARE(modeOf(program.path()), fs::perms(0700));
    QCOMPARE(modeOf(program.path() / "Gold.dat"), fs::perms(0600));
    QCOMPARE(modeOf(program.path() / "tidewell.ini"), fs::perms(0600));
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<PrivateFolderTest>("PrivateFolderTest");

}  // namespace tidewell::testing

#include "private_folder_test.moc"
