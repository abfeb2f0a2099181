// The subscriber windows on real widgets: New Email's messages in order, the edit dialog
// storing on focus loss, the last row deleted, find with its scope and start-over question,
// the CSV import window's pairing and import, the tree rename and date picker faults, and a
// picture of every window.

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include "editor/ui/date_picker_dialog.h"
#include "subscriber_window.h"
#include "subscribers/ui/find_dialog.h"
#include "subscribers/ui/load_csv_dialog.h"
#include "subscribers/ui/subscriber_actions.h"

namespace tidewell::testing {

namespace {

// Types into the dialog's fields, then presses its button once the poll has returned.
ModalScript::Step fillAndPress(const QString& dialog,
                               std::vector<std::pair<const char*, QString>> texts,
                               const char* button, const std::string& picture = {}) {
  return [=](QWidget* w) {
    if (w->objectName() != dialog) return false;
    for (const auto& [name, text] : texts) child<QLineEdit>(w, name)->setText(text);
    if (!picture.empty()) savePicture(w, picture);
    clickLater(w, button);
    return true;
  };
}

void selectItems(QListWidget* list, const QStringList& texts) {
  for (int i = 0; i < list->count(); ++i)
    list->item(i)->setSelected(texts.contains(list->item(i)->text()));
}

void chooseItem(QListWidget* list, const QString& text) {
  QListWidgetItem* item = list->findItems(text, Qt::MatchExactly).value(0);
  if (!item) qFatal("no item %s", qPrintable(text));
  list->setCurrentItem(item);
  item->setSelected(true);
}

}  // namespace

class SubscriberDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void newEmailTellsWhyInOrder() {
    // Without a filter, then with a filter that has no opt-in code.
    for (auto [kinds, box] :
         {std::pair{"", "New Email|You must first create a Filter to assign the email too."},
          {"f", "ERROR|You must assign an Opt-In Code to a Filter!"}}) {
      SubscriberWindow w(kinds);
      if (!w.nodes.empty())
        store::ProfileStore(w.profile, w.program.trap).UpdateFile_new(w.nodes[0], "subject", "");
      w.open();
      ModalScript script;
      script.answerBox(QMessageBox::Ok);
      QTest::mouseClick(child<QPushButton>(w.panel(), "cmdNewEmail"), Qt::LeftButton);
      QCOMPARE(script.boxes(), QStringList{box});
    }
    SubscriberWindow w("ff");
    w.writeSubscribers({person("Ann")});
    w.open();
    ModalScript script;
    const QString dialog = "frmNewEmail";
    script.then(fillAndPress(dialog, {{"Text1_0", ""}}, "Command1", "frmNewEmail"))
        .answerBox(QMessageBox::Ok)
        .then(fillAndPress(dialog, {{"Text1_0", "ANN@x.org"}}, "Command1"))
        .answerBox(QMessageBox::Ok)
        .then(fillAndPress(dialog, {{"Text1_0", "no-address"}}, "Command1"))
        .answerBox(QMessageBox::Ok)
        .then(fillAndPress(dialog, {{"Text1_0", "new@x.org"}}, "Command1"))
        .answerBox(QMessageBox::Ok)
        .then(fillAndPress(dialog, {{"Text1_1", "Nia New"}}, "Command1"));
    QTest::mouseClick(child<QPushButton>(w.panel(), "cmdNewEmail"), Qt::LeftButton);
    QVERIFY(script.done() && !script.timedOut());
    QCOMPARE(script.boxes(),
             (QStringList{"Email Address|Email Address is blank!",
                          "Email Address|Email Address already exists!",
                          "Email Address|Invalid Email Address!", "Name|Please enter a Name!"}));
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
      chooseItem(sent, "Welcome");
      savePicture(d, "frmEditEmail");
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

  void deletingTheLastRowLeavesAnEmptySavedFile() {
    SubscriberWindow w("f");
    w.writeSubscribers({person("Ann")});
    w.open();
    w.select(1, 1);
    ModalScript script;
    script.then(chooseEntry("tvGrid", "tvDeleteEmail")).answerBox(QMessageBox::Yes);
    openGridMenu(w, MenuWay::kRightButton, 1);
    QTRY_VERIFY(script.done());
    QCOMPARE(w.view()->model()->rowCount(), 0);
    QTRY_COMPARE(std::filesystem::file_size(w.program.path() / "Gold.txt"), std::uintmax_t(0));
  }

  void findSelectsEachMatchWithinTheShowFilterAndOffersToStartOver() {
    struct FindCase {
      const char* name;
      QString showFilter;
      QString text;
      bool fields;
      std::vector<bool> startOver;  // the answers, one per question
      QList<int> rows;              // the row selected after each press
    };
    const FindCase cases[] = {
        {"all filters", "All", "lee", false, {}, {1, 2, 3}},
        {"one filter", "Filter_2", "LEE", false, {true}, {1, 1}},
        {"start over", "All", "bob", false, {true}, {2, 2}},
        {"no more", "All", "bob", false, {false}, {2, 0}},
        {"personal field without the box", "All", "Oslo", false, {false}, {0}},
        {"personal field with the box", "All", "Oslo", true, {}, {3}},
    };
    for (const FindCase& c : cases) {
      SubscriberWindow w("ff");
      store::SubscriberData cy = person("Cy");
      cy.pmf = "email[/\\]cy@x.org[\\/]city[/\\]Oslo[\\/]";
      w.writeSubscribers({person("Ann"), person("Bob", "Filter_2"), cy});
      w.open();
      child<QComboBox>(w.panel(), "Combo1")->setCurrentText(c.showFilter);
      w.panel()->actions()->mnuFind();
      auto* find = w.panel()->actions()->findDialog();
      child<QLineEdit>(find, "Text1")->setText(c.text);
      child<QCheckBox>(find, "Check1")->setChecked(c.fields);
      ModalScript script;
      for (bool yes : c.startOver) script.answerBox(yes ? QMessageBox::Yes : QMessageBox::No);
      QList<int> rows;
      for (int press = 0; press < c.rows.size(); ++press) {
        w.view()->clearSelection();
        w.view()->setCurrentIndex({});
        find->findNext();
        rows << static_cast<int>(w.view()->selection().currentRow);
      }
      QVERIFY2(script.done(), c.name);
      QCOMPARE(rows, c.rows);
      for (const QString& box : script.boxes()) {
        QCOMPARE(box, QString("Find|Finished searching. Start over from beginning?"));
      }
      if (std::string(c.name) == "all filters") {
        QVERIFY(find->isVisible() && !find->isModal());
        QCOMPARE(w.view()->topRow(), 1);
        savePicture(find, "frmFind");
      }
    }
  }

  void csvWindowPairsWithItsMessagesAndImportsAQuotedFile() {
    SubscriberWindow w("f");
    w.writeSubscribers({person("Ann")});
    std::filesystem::path csv = w.program.path() / "people.csv";
    store::ProfileStore(w.profile, w.program.trap).UpdateFile_new(w.nodes[0], "toname", "~name~");
    writeBytes(
        csv,
        "\"Lee, Bo\",bo@x.org\r\nCy,cy@x.org\r\nNo Address,\r\n\"Dee \"\"D\"\"\",dee@x.org\r\n");
    w.open();
    QStringList boxes;
    QStringList seen;
    ModalScript script(15000);
    script.then([&](QWidget* d) {
      if (d->objectName() != "frmLoadCSV") return false;
      // Browse...: the file dialog takes the path typed into it.
      ModalScript browse;
      browse.then([&](QWidget* f) {
        auto* files = qobject_cast<QFileDialog*>(f);
        if (!files) return false;
        seen << files->windowTitle();
        child<QLineEdit>(files, "fileNameEdit")->setText(QString::fromStdString(csv.string()));
        QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
        return true;
      });
      child<QPushButton>(d, "Command1")->click();
      seen << child<QLineEdit>(d, "Text1")->text();
      auto* preview = child<QTableWidget>(d, "grdPreview");
      seen << QString::number(preview->rowCount()) << preview->item(0, 0)->text();
      seen << child<QComboBox>(d, "Combo1")->currentText();
      child<QComboBox>(d, "Combo2")->setCurrentText("Filter_1");
      auto* columns = child<QListWidget>(d, "List1");
      auto* available = child<QListWidget>(d, "List3");
      auto* fields = child<QListWidget>(d, "List2");
      auto* pair = child<QPushButton>(d, "Command5");
      ModalScript mismatch;
      mismatch.answerBox(QMessageBox::Ok).answerBox(QMessageBox::Ok);
      selectItems(columns, {"Column 1"});
      pair->click();
      child<QComboBox>(d, "Combo1")->setCurrentText("3");
      selectItems(columns, {"Column 1", "Column 2", "Column 3"});
      pair->click();
      boxes = mismatch.boxes();
      child<QComboBox>(d, "Combo1")->setCurrentText("2");
      selectItems(columns, {"Column 1", "Column 2"});
      chooseItem(fields, "email");
      chooseItem(available, "Column 2");
      pair->click();
      chooseItem(fields, "name");
      chooseItem(available, "Column 1");
      pair->click();
      auto* pairs = child<QListWidget>(d, "List4");
      for (int i = 0; i < pairs->count(); ++i) seen << pairs->item(i)->text();
      savePicture(d, "frmLoadCSV");
      ModalScript report;
      report.answerBox(QMessageBox::Ok);
      child<QPushButton>(d, "Command3")->click();
      seen << report.boxes() << child<QPlainTextEdit>(d, "txtReport")->toPlainText();
      seen << (d->isVisible() ? "still open" : "closed");
      return true;
    });
    QTest::mouseClick(child<QPushButton>(w.panel(), "Commandt"), Qt::LeftButton);
    QVERIFY(script.done() && !script.timedOut());
    QCOMPARE(seen, (QStringList{"Select a CSV file to load", QString::fromStdString(csv.string()),
                                "4", "Lee, Bo", "2", "email -> Column 2", "name -> Column 1",
                                "Import CSV|Imported 3 subscribers into Filter_1; skipped 1 lines.",
                                "Line 3 skipped: empty address\n", "closed"}));
    QCOMPARE(boxes, (QStringList{"Mismatch|There are too many Personal Message Fields!",
                                 "Mismatch|There are too many Columns!"}));
    QCOMPARE(w.emails(), (QStringList{"ann@x.org", "bo@x.org", "cy@x.org", "dee@x.org"}));
    QCOMPARE(w.column(2).at(3), QString("Dee \"D\""));
  }

  void typingAnotherNodesTitleRenamesOnlyTheEditedNode() {
    SubscriberWindow w("nff");
    w.open();
    w.window->ShowFrame(w.nodes[2]);  // Filter_2
    auto* title = child<QLineEdit>(w.window->currentPanel(), "txtRuleTitle");
    title->setFocus();
    title->selectAll();
    // For a moment two nodes read "Filter_1"; the next key must still go to the edited one.
    QTest::keyClicks(title, "Filter_1x");
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

  void picturesOfTheGridMenuAndThePersonalFields() {
    SubscriberWindow w("ffnn");
    store::SubscriberData ann = person("Ann");
    ann.pmf = "email[/\\]ann@x.org[\\/]name[/\\]Ann Lee[\\/]site[/\\]https://example.com/ann[\\/]";
    w.writeSubscribers(
        {ann, person("Bob", "Filter_2"), person("Cy"), person("Dee", "Filter_2", "false")});
    w.open();
    w.select(1, 2);
    std::unique_ptr<QMenu> menu = w.panel()->actions()->gridMenu();
    QPoint at = w.view()->viewport()->mapTo(w.window.get(), w.rowCentre(2));
    menu->popup(w.window->mapToGlobal(at));
    QVERIFY(QTest::qWaitForWindowExposed(menu.get()));
    QImage picture = w.window->grab().toImage();
    {
      QPainter painter(&picture);
      painter.drawPixmap(at, menu->grab());
    }
    // The subscriber panel with the menu, in few colours: small enough for the manual.
    QRect panel(w.panel()->mapTo(w.window.get(), QPoint(0, 0)), w.panel()->size());
    picture = picture.copy(panel.intersected(QRect(0, 0, picture.width(), 480)))
                  .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QVERIFY(picture.save(QString::fromStdString((screenshotFolder() / "grid_menu.png").string())));
    menu->hide();

    QStringList seen;
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    ModalScript script;
    script.then([&](QWidget* d) {
      if (d->objectName() != "frmPMFs") return false;
      auto* grid = child<QTableWidget>(d, "MSFlexGrid1");
      seen << QString::number(grid->rowCount())
           << QString::number(grid->item(2, 1)->font().underline())
           << QString::number(grid->item(1, 1)->font().underline());
      savePicture(d, "frmPMFs");
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
