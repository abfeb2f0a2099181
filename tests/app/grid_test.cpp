// The subscriber grid on the user panel and the windows it opens: the model's contract, the show
// filter, the column table, a million rows, the title box; the grid's menu `tvGrid` opened three
// ways on rows selected downwards and upwards, the forced send, wheel paging; New Email, the
// edit dialog, find, the tree rename, the date picker and the personal fields' links.

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QWheelEvent>

#include "app_fixture.h"
#include "editor/ui/date_picker_dialog.h"
#include "subscribers/ui/find_dialog.h"
#include "subscribers/ui/subscriber_actions.h"
#include "subscribers/ui/subscriber_grid_model.h"
#include "user_panel.h"

namespace tidewell::testing {

namespace {

using subscribers::ShowFilter;
using subscribers::ui::SubscriberGridModel;

std::vector<store::SubscriberData> fiveSubscribers() {
  return {person("A"), person("B", "Filter_1", "false"), person("C", "Filter_2"),
          person("D", "Filter_2", "maybe"), person("E")};
}

std::vector<store::SubscriberData> fivePeople() {
  return {person("Ann"), person("Bob", "Filter_2"), person("Cy"), person("Dee", "Filter_2"),
          person("Eve")};
}

ModalScript::Step typeAnswer(const QString& answer) {
  return [answer](QWidget* widget) {
    auto* ask = qobject_cast<QInputDialog*>(widget);
    if (!ask || ask->objectName() != "InputBox") return false;
    ask->setTextValue(answer);
    ask->accept();
    return true;
  };
}

using Steps = std::function<void(ModalScript&)>;
using Check = std::function<void(SubscriberWindow&)>;

struct MenuCase {
  const char* name;
  MenuWay way;
  int row;       // the current row, from 1
  int otherEnd;  // the selection's other end
  const char* entry;
  const char* entryText;
  Steps steps;        // what the entry asks, answered
  QStringList boxes;  // "caption|text" of every box answered
  Check check;
};

Steps answer(QMessageBox::StandardButton button) {
  return [button](ModalScript& s) { s.answerBox(button); };
}

Check columnIs(int column, const QStringList& texts) {
  return [column, texts](SubscriberWindow& w) { QCOMPARE(w.column(column), texts); };
}

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

class GridTest : public QObject {
  Q_OBJECT

 private slots:
  // The grid: the model's contract, the show filter, the column table, the title box.
  void modelKeepsItsContractThroughRebuilds() {
    store::SubscriberTable table;
    subscribers::GridColumnTable columns;
    subscribers::SubscriberGrid grid(table, columns);
    SubscriberGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setGrid(&grid);
    model.reload();
    QCOMPARE(model.rowCount(), 0);  // the empty table's placeholder is no subscriber
    for (const auto& r : fiveSubscribers()) table.add(r);
    model.reload();
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QString("Email Address"));
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    model.rebuild([](subscribers::SubscriberGrid& g) {
      g.setShowFilter(ShowFilter::onlyNonActive());
      g.loadgrid();
    });
    QCOMPARE(columnTexts(model, 1), QStringList{"b@x.org"});
    model.setGrid(nullptr);
    QCOMPARE(model.rowCount(), 0);
  }

  void showFilterNarrowsTheRowsAndKeepsTheWidths() {
    SubscriberWindow w("ff");
    w.writeSubscribers(fiveSubscribers());
    w.load();
    app::UserPanel* panel = w.panel();
    auto* combo = panel->findChild<QComboBox*>("Combo1");
    auto* count = panel->findChild<QLabel*>("lblCount");
    QAbstractItemModel& model = *panel->gridModel();
    QCOMPARE(combo->count(), 5);
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(count->text(), QString("5 subscribers shown"));

    panel->gridView()->horizontalHeader()->resizeSection(2, 150);
    // Which rows each choice shows is the grid's own test; the combo reaches it.
    const std::pair<QString, QStringList> choices[] = {
        {"Filter_2", {"c@x.org"}},
        {"All", {"a@x.org", "b@x.org", "c@x.org", "d@x.org", "e@x.org"}}};
    for (const auto& [choice, emails] : choices) {
      combo->setCurrentText(choice);
      QCOMPARE(columnTexts(model, 1), emails);
      QCOMPARE(columnTexts(model, 0).first(), QString("1"));  // shown rows count from 1
    }
    QCOMPARE(count->text(), QString("5 subscribers shown"));
    QCOMPARE(panel->gridView()->columnWidth(2), 150);
    QVERIFY(w.program.setting("grid").find("Name:ON:2250:tvname,") != std::string::npos);
  }

  void columnsComeFromTheColumnTable() {
    ProgramFolder program;
    program.createProfile();
    program.settings.writeGridText(
        ":OFF:540:tvcount,Mail:ON:3000:tvemailaddy,Name:OFF:1395:tvname,"
        "Sign-Up Date:ON:1410:tvsignup,Active:ON:570:tvactive,Filter:ON:1125:tvgridfilter,");
    app::MainWindow window(program.path());
    QVERIFY(window.Form_Load());
    QAbstractItemModel& model = *window.userPanel()->gridModel();
    QStringList headers;
    for (int c = 0; c < model.columnCount(); ++c) {
      headers << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    QCOMPARE(headers, (QStringList{"Mail", "Sign-Up Date", "Active", "Filter"}));
    QCOMPARE(window.userPanel()->gridView()->columnWidth(0), 200);
    QCOMPARE(window.userPanel()->currentWidths(), (std::vector<int>{3000, 1410, 570, 1125}));
  }

  void aMillionRowsShowAtOnce() {
    store::SubscriberTable table;
    constexpr int kRows = 1'000'000;
    table.reserve(kRows);
    std::string email;
    for (int i = 0; i < kRows; ++i) {
      email = "user" + std::to_string(i) + "@example.com";
      table.appendLoaded(email, "Name", 20000, "none", i % 3 ? "true" : "false", "Filter_1", "");
    }
    subscribers::GridColumnTable columns;
    subscribers::SubscriberGrid grid(table, columns);
    grid.loadgrid();
    app::UserPanel panel({}, nullptr);
    panel.resize(800, 600);
    panel.attach(&grid, nullptr, nullptr);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QCoreApplication::processEvents();
    QCOMPARE(panel.gridModel()->rowCount(), kRows);
    QCOMPARE(panel.gridView()->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    panel.gridView()->scrollToBottom();
    QCoreApplication::processEvents();
    QCOMPARE(panel.gridModel()->index(kRows - 1, 1).data().toString(),
             QString("user999999@example.com"));
  }

  void titleBoxRenamesTheProfileWithItsSubscribers() {
    SubscriberWindow w("f");
    w.writeSubscribers({person("Ann")});
    w.open();
    auto* title = w.panel()->findChild<QLineEdit*>("txtUserName");
    QCOMPARE(title->text(), QString("Gold"));
    w.type(title, "Platinum");
    w.panel()->commitPendingEdit();
    QCOMPARE(w.get(store::kUserBlock, "title"), "Platinum");
    QVERIFY(std::filesystem::exists(w.program.path() / "Platinum.txt"));
    QVERIFY(!std::filesystem::exists(w.program.path() / "Gold.txt"));
    // The window goes while the box still has the focus: nothing runs on a half-gone panel.
    title->setFocus();
    w.window.reset();
    QCOMPARE(readLines(w.program.path() / "Platinum.txt").front(), std::string("ann@x.org"));
  }

  // The menu, by the right button, the menu key and Shift+F10; the header's menu; the wheel.
  void everyEntryReachesItsAction() {
    const QStringList sure{"Confirm Delete|Are you sure?"};
    const QStringList none;
    const QStringList badDate{"Invalid Date|Invalid Date Format (eg:12/30/2006)"};
    const QStringList assign{"Assign to Filter|Are you sure?"};
    QString shown;
    auto shownIs = [&shown](const QString& text) {
      return [&shown, text](SubscriberWindow&) { QCOMPARE(shown, text); };
    };
    auto look = [&shown](const char* dialog, std::function<QString(QWidget*)> read) {
      return [&shown, dialog, read](ModalScript& s) {
        s.onWidget(dialog, [&shown, read](QWidget* d) {
          shown = read(d);
          qobject_cast<QDialog*>(d)->reject();
        });
      };
    };
    const MenuCase cases[] = {
        {"toggle one row", MenuWay::kRightButton, 2, 2, "mnuToggle", "", nullptr, none,
         [](SubscriberWindow& w) {
           QCOMPARE(w.column(4), (QStringList{"true", "false", "true", "true", "true"}));
           QVERIFY(w.table().changed());
         }},
        {"toggle downwards", MenuWay::kMenuKey, 4, 2, "mnuToggle", "", nullptr, none,
         columnIs(4, {"true", "false", "false", "false", "true"})},
        {"delete upwards", MenuWay::kShiftF10, 2, 3, "tvDeleteEmail", "", answer(QMessageBox::Yes),
         sure,
         [](SubscriberWindow& w) {
           QCOMPARE(w.emails(), (QStringList{"ann@x.org", "dee@x.org", "eve@x.org"}));
           QCOMPARE(w.column(0), (QStringList{"1", "2", "3"}));
         }},
        {"sign-up date downwards", MenuWay::kMenuKey, 3, 1, "mnuSignUpMod", "",
         [](ModalScript& s) { s.then(typeAnswer("12/30/2006")); }, none,
         columnIs(3, {"12/30/2006", "12/30/2006", "12/30/2006", "11/20/2026", "11/20/2026"})},
        {"sign-up date that is no date", MenuWay::kRightButton, 1, 1, "mnuSignUpMod", "",
         [](ModalScript& s) { s.then(typeAnswer("soon")).answerBox(QMessageBox::Ok); }, badDate,
         [](SubscriberWindow& w) { QCOMPARE(w.column(3).first(), QString("11/20/2026")); }},
        {"assign upwards", MenuWay::kShiftF10, 1, 2, "mnuLevel2", "Filter_2",
         answer(QMessageBox::Yes), assign,
         columnIs(5, {"Filter_2", "Filter_2", "Filter_1", "Filter_2", "Filter_1"})},
        {"view sent newsletters", MenuWay::kRightButton, 2, 2, "mnuEdit", "",
         look("frmEditEmail",
              [](QWidget* d) { return d->findChild<QLineEdit*>("Text1_0")->text(); }),
         none, shownIs("bob@x.org")},
        {"view personal fields", MenuWay::kMenuKey, 4, 4, "mnuViewPMF", "",
         look("frmPMFs", [](QWidget* d) { return d->findChild<QLabel*>("lblTitle")->text(); }),
         none, shownIs("View Personal Message Fields for dee@x.org")},
        {"find", MenuWay::kRightButton, 1, 1, "mnuFind", "", nullptr, none,
         [](SubscriberWindow& w) {
           auto* find = w.window->findChild<QDialog*>("frmFind");
           QVERIFY(find && find->isVisible() && !find->isModal());
           QVERIFY(find->windowFlags() & Qt::WindowStaysOnTopHint);
         }},
        {"a column item", MenuWay::kShiftF10, 1, 1, "tvName", "", nullptr, none,
         [](SubscriberWindow& w) {
           QCOMPARE(w.view()->model()->columnCount(), 5);
           QVERIFY(!w.panel()->actions()->gridMenu()->findChild<QAction*>("tvName")->isChecked());
           QVERIFY(w.panel()->actions()->gridMenu()->findChild<QAction*>("tvCount")->isChecked());
         }},
    };
    for (const MenuCase& c : cases) {
      SubscriberWindow w;
      w.writeSubscribers(fivePeople());
      w.open();
      w.select(c.row, c.otherEnd);
      QCOMPARE(w.view()->selection().currentRow, std::uint32_t(c.row));
      ModalScript script;
      script.then(chooseEntry("tvGrid", c.entry, c.entryText));
      if (c.steps) c.steps(script);
      openGridMenu(w, c.way, c.row);
      QTRY_VERIFY2(script.done(), c.name);
      QVERIFY2(!script.timedOut(), c.name);
      QCOMPARE(script.boxes(), c.boxes);
      c.check(w);
      if (QTest::currentTestFailed()) qWarning("case: %s", c.name);
    }
  }

  void emptySubmenusSayWhyAndAHeaderShowsTheColumns() {
    SubscriberWindow w("");
    w.writeSubscribers({person("Ann")});
    w.open();
    std::unique_ptr<QMenu> menu = w.panel()->actions()->gridMenu();
    for (auto [submenu, text] : {std::pair{"mnuAssign", "No Filters"},
                                 {"mnuForcedSend", "No Newsletters"},
                                 {"mnuPreview", "No Newsletters"}}) {
      QCOMPARE(menu->findChild<QMenu*>(submenu)->actions().first()->text(), QString(text));
    }

    QStringList columnItems;
    ModalScript script;
    script.then([&](QWidget* widget) {
      auto* columns = qobject_cast<QMenu*>(widget);
      if (!columns) return false;
      for (QAction* a : columns->actions())
        columnItems << a->objectName() + (a->isChecked() ? "+" : "-");
      columns->hide();
      return true;
    });
    emit w.view()->horizontalHeader()->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(script.done() && !script.timedOut());
    QCOMPARE(columnItems, (QStringList{"tvCount+", "tvEmailAddy+", "tvName+", "tvSignUp+",
                                       "tvActive+", "tvGridFilter+"}));
  }

  void forcedSendGivesUpAfterThreeTriesAndKeepsTheWindowTurning() {
    SubscriberWindow w("fn");
    std::filesystem::path letter = w.program.path() / "welcome.txt";
    writeBytes(letter, "Hello ~name~!\r\n");
    w.sendLetter(w.nodes[1], letter);
    w.writeSubscribers({person("Ann"), person("Bob"), person("Cy", "Filter_1", "false")});
    w.open();
    w.server.refuseSends = 3;  // every try for the first subscriber
    w.server.delay = std::chrono::milliseconds(30);
    int turns = 0;
    bool progressShown = false;
    QTimer probe;
    probe.setInterval(5);
    connect(&probe, &QTimer::timeout, [&] {
      if (!w.window->cycleDriver()->busy()) return;
      ++turns;
      progressShown = progressShown || w.window->progressBar()->isVisible();
    });
    probe.start();
    w.select(1, 3);
    ModalScript script;
    script.then(chooseEntry("tvGrid", "mnuForcedSend2", "New Newsletter #1"))
        .answerBox(QMessageBox::Yes);
    openGridMenu(w, MenuWay::kRightButton, 1);
    QTRY_VERIFY(script.done());
    QCOMPARE(script.boxes(), QStringList{"Force Send a Message|Are you sure?"});
    QCOMPARE(w.server.sent.size(), std::size_t(1));  // the inactive one is skipped
    QCOMPARE(w.server.sent[0].toAddress, std::string("bob@x.org"));
    QCOMPARE(w.window->statusText()->text(), QString("Forced send: 1 of 3 sent (see unsent.log)"));
    QVERIFY2(turns >= 4, qPrintable(QString("the loop turned %1 times").arg(turns)));
    QVERIFY(progressShown);
    QVERIFY(w.window->progressBar()->isHidden());
  }

  void theWheelPagesByTheVisibleRowsAndTheKeysAreUnchanged() {
    SubscriberWindow w("f");
    std::vector<store::SubscriberData> people;
    for (int i = 1; i <= 30; ++i) people.push_back(person("P" + std::to_string(i)));
    w.writeSubscribers(people);
    w.open();
    auto* view = w.view();
    int rowHeight = view->verticalHeader()->defaultSectionSize();
    view->setFixedHeight(12 * rowHeight);  // the grid holds 12 rows with its header
    QApplication::processEvents();
    // Half notches add up to a page; how far a page goes is the grid's own test.
    const std::pair<int, int> steps[] = {{-120, 10}, {120, 1}, {-60, 1}, {-60, 10}};
    for (const auto& [delta, top] : steps) {
      QWheelEvent event(QPointF(20, 40), view->viewport()->mapToGlobal(QPointF(20, 40)), QPoint(),
                        QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(view->viewport(), &event);
      QCOMPARE(view->topRow(), top);
    }
    w.select(1, 1);
    QTest::keyClick(view, Qt::Key_PageDown);
    QVERIFY(view->currentIndex().row() > 0);
    QCOMPARE(view->selection().otherEnd, view->selection().currentRow);
  }

  // The subscriber windows on real widgets.
  void newEmailNeedsTheOptInCodeThenRefusesThenAddsWithThePersonalFields() {
    // The checks and their order are the subscriber rules' tests; here the missing opt-in code
    // and a refusal reach a box, the filter panel sets the code, and the dialog stays open for
    // the next try.
    SubscriberWindow w("ff");
    w.set(w.nodes[0], "subject", "");
    w.writeSubscribers({person("Ann")});
    w.open();
    auto newEmail = [&] {
      QTest::mouseClick(child<QPushButton>(w.panel(), "cmdNewEmail"), Qt::LeftButton);
    };
    QCOMPARE(boxesAfter(newEmail),
             QStringList{"ERROR|You must assign an Opt-In Code to a Filter!"});
    w.window->ShowFrame(w.nodes[0]);
    // The box closed does not hand the activation back: typing activates the window.
    w.type(child<QLineEdit>(w.window->currentPanel(), "txtOptInCode"), "join");
    w.window->ShowFrame(1);
    QCOMPARE(w.get(w.nodes[0], "subject"), "join");
    ModalScript script;
    const QString dialog = "frmNewEmail";
    script.then(fillAndPress(dialog, {{"Text1_0", "ANN@x.org"}}, "Command1"))
        .answerBox(QMessageBox::Ok)
        .then(fillAndPress(dialog, {{"Text1_0", "new@x.org"}, {"Text1_1", "Nia New"}}, "Command1"));
    newEmail();
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
    script.onWidget("frmEditEmail", [&](QWidget* d) {
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

  void datePickerTakesTheKeyboardsChoice() {
    // The shown day taken as it is: the newsletter panel's test.
    ModalScript script;
    script.onWidget("frmDate", [](QWidget* d) {
      QWidget* grid = child<QCalendarWidget>(d, "MonthView1")->findChild<QAbstractItemView*>();
      grid->setFocus();
      QTest::keyClick(grid, Qt::Key_Right);
      QTest::keyClick(grid, Qt::Key_Down);
      clickLater(d, "cmdOK");
    });
    std::optional<store::Date> picked = editor::ui::DatePickerDialog::pick({2026, 12, 5}, nullptr);
    QVERIFY(script.done() && script.boxes().isEmpty());
    QVERIFY(picked && *picked == store::Date({2026, 12, 13}));
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
    script.onWidget("frmPMFs", [&](QWidget* d) {
      auto* grid = child<QTableWidget>(d, "MSFlexGrid1");
      seen << QString::number(grid->rowCount())
           << QString::number(grid->item(2, 1)->font().underline())
           << QString::number(grid->item(1, 1)->font().underline());
      emit grid->cellClicked(2, 1);
      qobject_cast<QDialog*>(d)->reject();
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

[[maybe_unused]] const bool kAdded = addTestClass<GridTest>("GridTest");

}  // namespace tidewell::testing

#include "grid_test.moc"
