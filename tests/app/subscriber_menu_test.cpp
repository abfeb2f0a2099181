// The subscriber grid's menu `tvGrid`, opened by the right button, the menu key and Shift+F10:
// every entry reaches its action on one row and on selections made downwards and upwards; the
// header's column menu; the forced send against the in-memory server; wheel paging.

#include <QApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <QWheelEvent>

#include "app_fixture.h"
#include "subscribers/ui/subscriber_actions.h"

namespace tidewell::testing {

namespace {

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

ModalScript::Step closeDialog(const QString& name, std::function<void(QWidget*)> look) {
  return [name, look](QWidget* widget) {
    if (widget->objectName() != name) return false;
    look(widget);
    qobject_cast<QDialog*>(widget)->reject();
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

}  // namespace

class SubscriberMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void everyEntryReachesItsAction() {
    const QStringList sure{"Confirm Delete|Are you sure?"};
    const QStringList none;
    const QStringList badDate{"Invalid Date|Invalid Date Format (eg:12/30/2006)"};
    const QStringList assign{"Assign to Filter|Are you sure?"};
    const QStringList toggled{"true", "false", "false", "false", "true"};
    QString shown;
    auto shownIs = [&shown](const QString& text) {
      return [&shown, text](SubscriberWindow&) { QCOMPARE(shown, text); };
    };
    auto look = [&shown](const char* dialog, std::function<QString(QWidget*)> read) {
      return [&shown, dialog, read](ModalScript& s) {
        s.then(closeDialog(dialog, [&shown, read](QWidget* d) { shown = read(d); }));
      };
    };
    const MenuCase cases[] = {
        {"toggle one row", MenuWay::kRightButton, 2, 2, "mnuToggle", "", nullptr, none,
         [](SubscriberWindow& w) {
           QCOMPARE(w.column(4), (QStringList{"true", "false", "true", "true", "true"}));
           QVERIFY(w.table().changed());
         }},
        {"toggle downwards", MenuWay::kMenuKey, 4, 2, "mnuToggle", "", nullptr, none,
         columnIs(4, toggled)},
        {"toggle upwards", MenuWay::kShiftF10, 2, 4, "mnuToggle", "", nullptr, none,
         columnIs(4, toggled)},
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
    QHeaderView* header = w.view()->horizontalHeader();
    emit header->customContextMenuRequested(QPoint(5, 5));
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
    QCOMPARE(w.server.refuseSends, 0);  // all three refusals went to the first subscriber
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
    auto wheel = [&](int delta) {
      QWheelEvent event(QPointF(20, 40), view->viewport()->mapToGlobal(QPointF(20, 40)), QPoint(),
                        QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(view->viewport(), &event);
    };
    // Half notches add up to a page; how far a page goes is the grid's own test.
    const std::pair<int, int> steps[] = {{-120, 10}, {120, 1}, {-60, 1}, {-60, 10}};
    for (const auto& [delta, top] : steps) {
      wheel(delta);
      QCOMPARE(view->topRow(), top);
    }
    w.select(1, 1);
    QTest::keyClick(view, Qt::Key_PageDown);
    QVERIFY(view->currentIndex().row() > 0);
    QCOMPARE(view->selection().otherEnd, view->selection().currentRow);
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<SubscriberMenuTest>("SubscriberMenuTest");

}  // namespace tidewell::testing

#include "subscriber_menu_test.moc"
