// The Statistics tab over a month of hand-made logs, and the
// preview opened from the grid's menu, with its test send.

#include <QSignalSpy>
#include <QTableWidget>
#include <QtCharts/QChartView>

#include "app_fixture.h"
#include "preview_dialog.h"
#include "store/date_text.h"
#include "subscribers/ui/subscriber_actions.h"

namespace tidewell::testing {

namespace {

std::string daysAgo(int days) {
  std::int32_t today = store::toDayNumber(store::SystemClock().today());
  return store::shortDateText(store::fromDayNumber(today - days));
}

// A month of a list: a sign-up most days, opt-outs and bounces now and then, sends each day.
void writeMonth(SubscriberWindow& w) {
  std::vector<store::SubscriberData> people;
  std::vector<std::string> offs, sends;
  for (int day = 0; day < 30; ++day) {
    for (int k = 0; k < (day * 7) % 5; ++k) {
      auto p = person("p" + std::to_string(day) + "x" + std::to_string(k),
                      k % 3 ? "Filter_1" : "Filter_2");
      p.signup = *store::parseDate(daysAgo(day));
      people.push_back(p);
    }
    for (int k = 0; k < day % 3; ++k) {
      offs.push_back(daysAgo(day) + "\t9:00:00 AM\tgone@x.org\tFilter_1\t" +
                     (k ? "bounce: permanent failure" : "opt-out") + "\t-\t-");
    }
    for (int k = 0; k < 20 + (day * 13) % 25; ++k) {
      sends.push_back("message sent:\ta@x.org\tNew Newsletter #1\t" + daysAgo(day) +
                      "\t9:00:00 AM");
    }
  }
  w.writeSubscribers(people);
  std::reverse(offs.begin(), offs.end());
  std::reverse(sends.begin(), sends.end());
  writeLines(w.profile.parent_path() / "deactivated.log", offs);
  writeLines(w.profile.parent_path() / "activity.log", sends);
  writeLines(w.profile.parent_path() / "Gold.bounces",
             {"slow@x.org\t2\t" + daysAgo(9) + "\t" + daysAgo(2)});
  w.set(store::kServerBlock, "capday", "40");
  w.set(w.nodes[2], "rule", "Filter_1");
  w.set(w.nodes[2], "days", "3");
}

}  // namespace

class StatisticsTest : public QObject {
  Q_OBJECT

 private slots:
  void tabShowsTheFilesReadOffTheWindowsThread() {
    SubscriberWindow w("ffnn");
    writeMonth(w);
    w.open();
    w.window->resize(1180, 820);
    app::StatisticsView* view = w.window->statisticsView();
    QSignalSpy refreshed(view, &app::StatisticsView::refreshed);
    w.window->findChild<QAction*>("mnuStatistics")->trigger();
    QCOMPARE(refreshed.count(), 0);  // the figures come from the worker, after the click
    QVERIFY(refreshed.wait(10000));
    auto* lists = child<QTableWidget>(view, "gridStatsLists");
    QCOMPARE(lists->rowCount(), 3);
    QCOMPARE(lists->item(2, 1)->text().toInt(), static_cast<int>(w.table().size()));
    QCOMPARE(view->shown().whole.optouts(), 20);
    QCOMPARE(child<QTableWidget>(view, "gridStatsStrikes")->rowCount(), 1);
    QCOMPARE(child<QChartView>(view, "chartSends")->chart()->series().size(), 2);  // the cap
    // A cycle's end reads the files again while the tab is shown.
    w.window->cycleDriver()->busyChanged(false);
    QVERIFY(refreshed.wait(10000));
  }

  void previewFromTheGridSendsATest() {
    SubscriberWindow w("ffnn");
    writeMonth(w);
    writeLines(w.profile.parent_path() / "letter.html",
               {"<html><body><p>Dear ~name~</p><img src=\"https://example.org/pixel.png\">",
                "</body></html>"});
    w.set(w.nodes[2], "location", (w.profile.parent_path() / "letter.html").string());
    w.open();
    w.select(1, 1);
    std::string address(w.table().record(0).email());
    ModalScript script(8000);
    script.onWidget("frmPreview", [&](QWidget* dialog) {
      auto* preview = static_cast<app::PreviewDialog*>(dialog);
      QString headers = child<QLabel>(dialog, "lblPreviewHeaders")->text();
      QVERIFY(headers.contains(QString::fromStdString(address)));
      QVERIFY(child<app::OfflineBrowser>(dialog, "txtPreviewRendered")->refused() >= 1);
      // The in-memory server gives no whole message.
      QVERIFY(child<QPlainTextEdit>(dialog, "txtPreviewWhole")->toPlainText().isEmpty());
      child<QLineEdit>(dialog, "txtTestTo")->setText("me@example.com");
      preview->sendTest();
      preview->reject();
    });
    w.panel()->actions()->mnuPreview2(w.nodes[2]);
    QVERIFY(script.done());
    QCOMPARE(w.server.sent.size(), std::size_t{1});
    // That a test send changes no file of the profile is the preview integration test.
    QCOMPARE(QString::fromStdString(w.server.sent[0].toAddress), QString("me@example.com"));
    QVERIFY(w.statuses.last().contains("sent to me@example.com"));
  }
};

static bool registered = addTestClass<StatisticsTest>("StatisticsTest");

}  // namespace tidewell::testing

#include "statistics_view_test.moc"
