// The subscriber windows on real widgets: New Email's refusal and addition, the edit dialog
// storing on focus loss, find within the show filter, the tree rename and date picker faults,
// and the personal fields' links.

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

#include "app_fixture.h"
#include "editor/ui/date_picker_dialog.h"
#include "subscribers/ui/find_dialog.h"
#include "subscribers/ui/subscriber_actions.h"

namespace tidewell::testing {

namespace {

// Types into the dialog's fields, then presses its button once the poll has returned.
ModalScript::Step fillAndPress(const QString& dialog,
                               std::vector<std::pair<const char*, QString>> texts,
                               const char* button) {
  return [=](QWidget* w) {
    if (w->objectName() != dialog) return false;
    for (const auto& [name, text] : texts) child<QLineEdit>(w, name)->setText(text);
    clickLater(w, button);
    return true;
  };
}

}  // namespace

class SubscriberDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void newEmailRefusesThenAddsWithThePersonalFields() {
    // The checks and their order are the subscriber rules' tests; here a refusal reaches a box
    // and the dialog stays open for the next try.
    SubscriberWindow w("ff");
    w.writeSubscribers({person("Ann")});
    w.open();
    ModalScript script;
    const QString dialog = "frmNewEmail";
    script.then(fillAndPress(dialog, {{"Text1_0", "ANN@x.org"}}, "Command1"))
        .answerBox(QMessageBox::Ok)
        .then(fillAndPress(dialog, {{"Text1_0", "new@x.org"}, {"Text1_1", "Nia New"}}, "Command1"));
    QTest::mouseClick(child<QPushButton>(w.panel(), "cmdNewEmail"), Qt::LeftButton);
    QVERIFY(script.done() && !script.timedOut());
    QCOMPARE(script.boxes(), QStringList{"Email Address|Email Address already exists!"});
    QCOMPARE(w.emails(), (QStringList{"ann@x.org", "new@x.org"}));
    // The personal fields carry the address and the name, so "~name~" reaches them.
    QCOMPARE(w.table().pmf(1).substr(0, 46),
             std::string("email[/\\]new@x.org[\\/]name[/\\]Nia New[\\/]_[/\\]"));
  }

  void editStoresOnFocusLossAndRemovingTheLastSentEntryLeavesNone() {
    SubscriberWindow w("f");
    store::SubscriberData ann = person("Ann");
    ann.sentList = "Welcome[\\?]";
    w.writeSubscribers({ann, person("Bob")});
    w.open();
    QStringList seen;
    ModalScript script;
    script.then([&](QWidget* d) {
      if (d->objectName() != "frmEditEmail") return false;
      auto* name = child<QLineEdit>(d, "Text1_1");
      name->setFocus();
      name->setText("Annie Lee");
      // Leaving the name stores it; the focus-out is sent as well, as a window that is not yet
      // active gets none from setFocus.
      QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
      QCoreApplication::sendEvent(name, &leave);
      child<QLineEdit>(d, "Text1_2")->setFocus();
      seen << QString::fromStdString(std::string(w.table().record(0).name()));
      auto* sent = child<QListWidget>(d, "List1");
      sent->setCurrentRow(0);  // "Welcome"
      child<QPushButton>(d, "Command2")->click();
      seen << sent->item(0)->text();
      child<QCheckBox>(d, "Check1")->click();
      clickLater(d, "Command1");
      return true;
    });
    w.select(1, 1);
    QTest::mouseDClick(w.view()->viewport(), Qt::LeftButton, Qt::NoModifier, w.rowCentre(1));
    QVERIFY(script.done() && !script.timedOut());
    QCOMPARE(seen, (QStringList{"Annie Lee", "none"}));
    QCOMPARE(std::string(w.table().record(0).sentList()), std::string("none"));
    QCOMPARE(w.column(2).first(), QString("Annie Lee"));
    QCOMPARE(w.column(4).first(), QString("false"));

    bool opened = false;
    ModalScript byKey;
    byKey.then([&](QWidget* d) {
      opened = d->objectName() == "frmEditEmail" &&
               child<QLineEdit>(d, "Text1_0")->text() == "bob@x.org";
      qobject_cast<QDialog*>(d)->reject();
      return true;
    });
    w.select(2, 2);
    QTest::keyClick(w.view(), Qt::Key_Return);
    QVERIFY(opened);
  }

  void findSelectsWithinTheShowFilterAndOffersToStartOver() {
    // What find matches is the finder's tests; here the window's show filter is its scope, the
    // match is selected, the question comes as a box and the personal-fields box is heard.
    SubscriberWindow w("ff");
    store::SubscriberData cy = person("Cy");
    cy.pmf = "email[/\\]cy@x.org[\\/]city[/\\]Oslo[\\/]";
    w.writeSubscribers({person("Ann"), person("Bob", "Filter_2"), cy});
    w.open();
    child<QComboBox>(w.panel(), "Combo1")->setCurrentText("Filter_2");
    w.panel()->actions()->mnuFind();
    auto* find = w.panel()->actions()->findDialog();
    child<QLineEdit>(find, "Text1")->setText("LEE");
    ModalScript script;
    script.answerBox(QMessageBox::Yes);
    auto findFromTop = [&] {
      w.view()->clearSelection();
      w.view()->setCurrentIndex({});
      find->findNext();
      return w.view()->selection().currentRow;
    };
    QCOMPARE(findFromTop(), 1u);
    QCOMPARE(findFromTop(), 1u);
    QVERIFY(script.done());
    QCOMPARE(script.boxes(), QStringList{"Find|Finished searching. Start over from beginning?"});

    // The box for personal fields reaches the search.
    child<QComboBox>(w.panel(), "Combo1")->setCurrentText("All");
    child<QCheckBox>(find, "Check1")->setChecked(true);
    child<QLineEdit>(find, "Text1")->setText("Oslo");
    QCOMPARE(findFromTop(), 3u);
  }

  void typingAnotherNodesTitleRenamesOnlyTheEditedNode() {
    SubscriberWindow w("nff");
    w.open();
    w.window->ShowFrame(w.nodes[2]);  // Filter_2
    // For a moment two nodes read "Filter_1"; the next key must still go to the edited one.
    w.type(child<QLineEdit>(w.window->currentPanel(), "txtRuleTitle"), "Filter_1x");
    auto named = [&](const QString& text) {
      return w.window->tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).size();
    };
    QCOMPARE(w.window->tree()->nodeAt(w.nodes[2])->text(0), QString("Filter_1x"));
    QCOMPARE(w.window->tree()->nodeAt(w.nodes[1])->text(0), QString("Filter_1"));
    QCOMPARE(named("Filter_1"), 1);
    QCOMPARE(named("New Newsletter #1"), 1);
  }

  void datePickerTakesTheShownDayAndTheKeyboardsChoice() {
    struct PickCase {
      const char* name;
      std::function<void(QCalendarWidget*)> choose;
      store::Date expected;
    };
    const PickCase cases[] = {
        {"the shown day", [](QCalendarWidget*) {}, {2026, 12, 5}},
        {"a day chosen with the keys",
         [](QCalendarWidget* c) {
           QWidget* grid = c->findChild<QAbstractItemView*>();
           grid->setFocus();
           QTest::keyClick(grid, Qt::Key_Right);
           QTest::keyClick(grid, Qt::Key_Down);
         },
         {2026, 12, 13}},
    };
    for (const PickCase& c : cases) {
      ModalScript script;
      script.then([&](QWidget* d) {
        if (d->objectName() != "frmDate") return false;
        c.choose(child<QCalendarWidget>(d, "MonthView1"));
        clickLater(d, "cmdOK");
        return true;
      });
      std::optional<store::Date> picked =
          editor::ui::DatePickerDialog::pick({2026, 12, 5}, nullptr);
      QVERIFY2(script.done() && script.boxes().isEmpty(), c.name);
      QVERIFY2(picked && *picked == c.expected, c.name);
    }
  }

  void aPersonalFieldThatIsALinkOpensInTheBrowser() {
    SubscriberWindow w("f");
    store::SubscriberData ann = person("Ann");
    ann.pmf = "email[/\\]ann@x.org[\\/]name[/\\]Ann Lee[\\/]site[/\\]https://example.com/ann[\\/]";
    w.writeSubscribers({ann});
    w.open();
    w.select(1, 1);
    QStringList seen;
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    ModalScript script;
    script.then([&](QWidget* d) {
      if (d->objectName() != "frmPMFs") return false;
      auto* grid = child<QTableWidget>(d, "MSFlexGrid1");
      seen << QString::number(grid->rowCount())
           << QString::number(grid->item(2, 1)->font().underline())
           << QString::number(grid->item(1, 1)->font().underline());
      emit grid->cellClicked(2, 1);
      qobject_cast<QDialog*>(d)->reject();
      return true;
    });
    w.panel()->actions()->mnuViewPMF();
    QDesktopServices::unsetUrlHandler("https");
    QCOMPARE(seen, (QStringList{"41", "1", "0"}));
    QCOMPARE(m_opened, QUrl("https://example.com/ann"));
  }

 public slots:
  void openUrl(const QUrl& url) { m_opened = url; }

 private:
  QUrl m_opened;
};

[[maybe_unused]] const bool kAdded = addTestClass<SubscriberDialogTest>("SubscriberDialogTest");

}  // namespace tidewell::testing

#include "subscriber_dialog_test.moc"
