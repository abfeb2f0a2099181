// The new-profile wizard: every page refuses to go on with an empty field, Back goes without
// checks, and Finish refuses a title that is taken. What Finish writes is the start-up test's.

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "app_fixture.h"
#include "modal_script.h"
#include "new_profile_wizard.h"

namespace tidewell::testing {

namespace {

using app::NewProfileWizard;

// Clicks Next on pages before `page`; they must all let the wizard go on.
void advanceTo(NewProfileWizard& wizard, int page) {
  while (wizard.page() < page) wizard.nextButton()->click();
}

}  // namespace

class WizardTest : public QObject {
  Q_OBJECT

 private slots:
  void emptyFieldStopsItsPage_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("box");
    for (auto [row, page, field, box] :
         {std::tuple{"title", 1, "txtProfile", "Profile Title|Profile Title is blank."},
          {"email", 2, "txtEmail", "Email Address|Email Address is blank."},
          {"reply", 2, "txtReply", "Email Address|Reply Address is blank."},
          {"pop3", 3, "txtPop", "POP3 Server|POP3 Server is blank."},
          {"smtp", 3, "txtSMTP", "SMTP Server|SMTP Server is blank."},
          {"account", 4, "txtAccount", "Account Name|Account Name is blank."},
          {"password", 4, "txtPassword", "Password|Password is blank."}}) {
      QTest::newRow(row) << page << QString(field) << QString(box);
    }
  }

  void emptyFieldStopsItsPage() {
    QFETCH(int, page);
    QFETCH(QString, field);
    QFETCH(QString, box);
    ProgramFolder program;
    NewProfileWizard wizard(program.settings, program.cipher);
    QVERIFY(showActive(&wizard));
    fillWizard(&wizard);
    auto* emptied = wizard.findChild<QLineEdit*>(field);
    emptied->clear();
    advanceTo(wizard, page);

    ModalScript script;
    script.answerBox(QMessageBox::Ok);
    wizard.nextButton()->click();
    QCOMPARE(script.boxes(), QStringList{box});
    QCOMPARE(wizard.page(), page);
    QCOMPARE(wizard.focusWidget(), emptied);
  }

  void backNeedsNoFilledFieldsAndOnlyTheLastPageFinishes() {
    ProgramFolder program;
    NewProfileWizard wizard(program.settings, program.cipher);
    fillWizard(&wizard);
    advanceTo(wizard, 5);
    QCOMPARE(wizard.nextButton()->text(), QString("&Finish"));
    wizard.findChild<QLineEdit*>("txtAccount")->clear();
    wizard.findChild<QLineEdit*>("txtEmail")->clear();
    ModalScript script(500);
    script.answerBox(QMessageBox::Ok);
    for (int i = 0; i < 3; ++i) wizard.backButton()->click();
    QCOMPARE(wizard.page(), 2);
    QCOMPARE(wizard.nextButton()->text(), QString("&Next >"));
    QVERIFY(script.boxes().isEmpty());
  }

  void finishRefusesATitleThatIsTaken() {
    ProgramFolder program;
    std::filesystem::path existing = program.createProfile("Gold");
    std::string before = readBytes(existing);
    NewProfileWizard wizard(program.settings, program.cipher);
    QVERIFY(showActive(&wizard));
    fillWizard(&wizard);
    advanceTo(wizard, 5);
    ModalScript script;
    script.answerBox(QMessageBox::Ok);
    wizard.nextButton()->click();
    QCOMPARE(script.boxes(), QStringList{"Profile Title|A profile named Gold already exists."});
    QCOMPARE(wizard.profileSuccess(), QString("false"));
    QCOMPARE(wizard.page(), 1);
    QCOMPARE(wizard.focusWidget(), wizard.findChild<QLineEdit*>("txtProfile"));
    QCOMPARE(readBytes(existing), before);
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<WizardTest>("WizardTest");

}  // namespace tidewell::testing

#include "wizard_test.moc"
