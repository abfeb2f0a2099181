// The subscriber grid on the user panel: the model's contract, the show filter, the columns of
// the column table, a million rows shown without measuring them, and the profile title box.

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

#include "app_fixture.h"
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

}  // namespace

class GridTest : public QObject {
  Q_OBJECT

 private slots:
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
    QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString());
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
};

[[maybe_unused]] const bool kAdded = addTestClass<GridTest>("GridTest");

}  // namespace tidewell::testing

#include "grid_test.moc"
