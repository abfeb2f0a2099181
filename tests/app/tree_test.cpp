// The profile tree: nodes under their parents, each kind showing its panel and its context
// menu, the required-fields box, and deletion with its confirmation.

#include <QComboBox>
#include <QMessageBox>
#include <QStackedWidget>

#include "app_fixture.h"

namespace tidewell::testing {

namespace {

// Filter_1 (5), New Newsletter #1 (6) and Filter_2 (7), opened in a window.
struct OpenProfile : SubscriberWindow {
  OpenProfile() : SubscriberWindow("fnf") { load(); }
  QStringList titles() const {
    QStringList texts;
    for (int i = 1; i <= window->tree()->nodeCount(); ++i)
      texts << window->tree()->nodeAt(i)->text(0);
    return texts;
  }
  void pressNode(int index, Qt::MouseButton button = Qt::LeftButton) {
    QRect rect = window->tree()->visualItemRect(window->tree()->nodeAt(index));
    QTest::mouseClick(window->tree()->viewport(), button, {}, rect.center());
  }
};

QStringList actionNames(QMenu* menu) {
  QStringList names;
  for (QAction* action : menu->actions()) names << action->objectName() + ":" + action->text();
  return names;
}

}  // namespace

class TreeTest : public QObject {
  Q_OBJECT

 private slots:
  void eachNodeHangsUnderItsParentAndShowsItsPanelAndMenu() {
    // Which blocks the tree holds, and in what order, is the tree plan's test.
    OpenProfile open;
    QCOMPARE(open.titles(), (QStringList{"Gold", "Server Settings", "Newsletters", "Filters",
                                         "Filter_1", "New Newsletter #1", "Filter_2"}));
    QVERIFY(open.window->tree()->nodeAt(3)->isExpanded());
    QVERIFY(open.window->tree()->nodeAt(4)->isExpanded());
    struct Case {
      int index;
      QString parent;
      QString frame;
      QStringList menu;
    };
    const Case cases[] = {
        {2, "Gold", "frameCampaignProperties", {}},
        {3, "Server Settings", "frameOutBoundProperties", {"tv_new_newsletter:New Newsletter"}},
        {4, "Server Settings", "frameInboundProperties", {"tv_new_filter:New Filter"}},
        {5, "Filters", "frameRuleProperties", {"tvDelete:Delete"}},
        {6, "Newsletters", "frameNewsletterProperties", {"tvDelete:Delete"}},
        {1, "", "frameUserProperties", {}}};
    for (const Case& c : cases) {
      if (!c.parent.isEmpty())
        QCOMPARE(open.window->tree()->nodeAt(c.index)->parent()->text(0), c.parent);
      open.pressNode(c.index);
      QCOMPARE(open.window->currentIndex(), c.index);
      QCOMPARE(open.window->currentPanel()->objectName(), c.frame);
      QCOMPARE(open.window->tree()->currentItem(), open.window->tree()->nodeAt(c.index));
      std::unique_ptr<QMenu> menu = open.window->treeMenu();
      QCOMPARE(menu ? actionNames(menu.get()) : QStringList(), c.menu);
    }
  }

  void incompleteServerSettingsKeepTheOperatorThere() {
    SubscriberWindow w("");
    w.set(2, "smtp", "");
    w.set(2, "reply", "");
    w.load();
    app::MainWindow& window = *w.window;
    window.nodeClicked(2);
    QCOMPARE(window.currentKind(), QString("system"));

    ModalScript script;
    script.answerBox(QMessageBox::Ok);
    window.nodeClicked(1);
    QCOMPARE(script.boxes(),
             QStringList{"Required Fields|The listed fields are required:\n\n"
                         "- Outgoing Mail (SMTP)\n- Reply Name\n\nPlease fill in."});
    QCOMPARE(window.currentIndex(), 2);
    QCOMPARE(window.currentKind(), QString("system"));
  }

  void rightClickOpensTheMenuOfThePressedNode() {
    OpenProfile open;
    open.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(open.window.get()));
    ModalScript script;
    QStringList seen;
    script.then([&](QWidget* w) {
      auto* menu = qobject_cast<QMenu*>(w);
      if (!menu) return false;
      seen = actionNames(menu);
      QMetaObject::invokeMethod(
          menu,
          [menu] {
            menu->setActiveAction(menu->actions().first());
            QTest::keyClick(menu, Qt::Key_Return);
          },
          Qt::QueuedConnection);
      return true;
    });
    open.pressNode(4, Qt::RightButton);
    QTRY_VERIFY(script.done());
    QCOMPARE(seen, QStringList{"tv_new_filter:New Filter"});
    QTRY_COMPARE(open.window->tree()->nodeCount(), 8);
    QCOMPARE(open.window->tree()->nodeAt(8)->text(0), QString("Filter_3"));
    QCOMPARE(open.window->currentIndex(), 8);
  }

  void deletingTheLastNodeAsksAndShowsTheOneBefore() {
    OpenProfile open;
    open.window->ShowFrame(7);
    ModalScript no;
    no.answerBox(QMessageBox::No);
    open.window->tvDelete_Click();
    QCOMPARE(no.boxes(), QStringList{"Delete Item|Are you sure?"});
    QCOMPARE(open.window->tree()->nodeCount(), 7);

    ModalScript yes;
    yes.answerBox(QMessageBox::Yes);
    open.window->tvDelete_Click();
    // Renumbering follows the file, where the newsletter was written before the filters.
    QCOMPARE(open.titles(), (QStringList{"Gold", "Server Settings", "Newsletters", "Filters",
                                         "New Newsletter #1", "Filter_1"}));
    QCOMPARE(open.window->currentIndex(), 6);
    QCOMPARE(open.window->tree()->currentItem()->text(0), QString("Filter_1"));
    // The grid's show list lost the deleted filter.
    auto* combo = open.window->userPanel()->findChild<QComboBox*>("Combo1");
    QCOMPARE(combo->count(), 4);
    QCOMPARE(combo->itemText(3), QString("Filter_1"));
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<TreeTest>("TreeTest");

}  // namespace tidewell::testing

#include "tree_test.moc"
