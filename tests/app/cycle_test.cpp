// The check timers drive cycles against an in-memory mailbox: the status texts in order, the
// window kept responsive and locked against subscriber changes meanwhile, the server commands
// of the Tools menu, and a send that reloads the grid and raises the counters.

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <chrono>

#include "app_fixture.h"
#include "store/clock.h"

namespace tidewell::testing {

namespace {

mail::IncomingMessage message(const std::string& uidl) {
  return {uidl, "Hello", "Just saying hello", "friend@example.com", "Friend", "", "", ""};
}

struct CycleWindow : SubscriberWindow {
  explicit CycleWindow(const std::string& kinds = "f") : SubscriberWindow(kinds) {}
  app::CycleDriver& cycle() const { return *window->cycleDriver(); }
  // The statuses from the last "Logging into Pop3..." on.
  QStringList lastCycle() const {
    qsizetype from = statuses.lastIndexOf("Logging into Pop3...");
    return from < 0 ? QStringList() : statuses.mid(from);
  }
};

}  // namespace

class CycleTest : public QObject {
  Q_OBJECT

 private slots:
  void firstTickRunsACycleWhileTheWindowKeepsTurning() {
    CycleWindow w;
    for (const char* uidl : {"u1", "u2", "u3"}) w.server.add(message(uidl));
    w.server.delay = std::chrono::milliseconds(100);
    w.load();
    QVERIFY(w.action("mnuServerRunning")->isChecked());
    QVERIFY(w.cycle().timer1()->isActive());

    // A fast timer counts how often the event loop turned during the cycle, and looks at
    // what the operator could do meanwhile.
    int turns = 0;
    bool lockedWhileBusy = true;
    bool progressShown = false;
    QTimer probe;
    probe.setInterval(10);
    connect(&probe, &QTimer::timeout, [&] {
      if (!w.cycle().busy()) return;
      ++turns;
      // Download progress comes from the transfer thread.
      progressShown = progressShown || (!w.window->progressBar()->isHidden() &&
                                        w.window->progressBar()->value() > 0);
      auto* combo = w.window->userPanel()->findChild<QComboBox*>("Combo1");
      // The tree and the panels stay browsable; what would change the profile is locked.
      auto* server = w.window->findChild<QWidget*>("frameCampaignProperties");
      auto* serverBox = server->findChild<QLineEdit*>();
      std::unique_ptr<QMenu> gridMenu = w.window->userPanel()->actions()->gridMenu();
      lockedWhileBusy = lockedWhileBusy && w.window->tree()->isEnabled() && !w.window->treeMenu() &&
                        server->isEnabled() && serverBox->isReadOnly() && !combo->isEnabled() &&
                        !gridMenu->findChild<QAction*>("mnuToggle")->isEnabled() &&
                        gridMenu->findChild<QAction*>("mnuFind")->isEnabled() &&
                        !w.action("mnuNewProfile")->isEnabled() &&
                        !w.action("mnuNewFilter")->isEnabled();
    });
    probe.start();
    w.cycle().timer1Tick();
    QCOMPARE(w.server.clientsMade, 1);
    QCOMPARE(w.lastCycle(),
             (QStringList{"Logging into Pop3...", "Downloading New Emails...",
                          "New messages Downloaded. Processing...", "Ready",
                          "Processing Outgoing Messages...", "No new messages sent."}));
    QVERIFY2(turns >= 10, qPrintable(QString("the loop turned %1 times").arg(turns)));
    QVERIFY(lockedWhileBusy);
    QVERIFY(progressShown);
    QVERIFY(w.window->progressBar()->isHidden());
    QVERIFY(w.cycle().runner().transfersRun() >= 2);
    QVERIFY(!w.window->findChild<QWidget*>("frameCampaignProperties")
                 ->findChild<QLineEdit*>()
                 ->isReadOnly());
    QVERIFY(w.action("mnuNewProfile")->isEnabled());
    QVERIFY(w.action("mnuSendRecv")->isEnabled());
  }

  void cyclesStartWithTheFirstFilterAndStopWithServerRunning() {
    CycleWindow w("");
    w.load();
    QVERIFY(!w.action("mnuServerRunning")->isEnabled());
    QVERIFY(!w.action("mnuSendRecv")->isEnabled());
    QVERIFY(!w.cycle().timer1()->isActive());
    w.window->cmdNewInbound_Click();
    // The first filter starts the cycles as opening a profile with filters does.
    QVERIFY(w.action("mnuServerRunning")->isEnabled());
    QVERIFY(w.action("mnuServerRunning")->isChecked());
    QVERIFY(w.cycle().timer1()->isActive() && w.cycle().timer2()->isActive());
    w.cycle().timer1Tick();
    QCOMPARE(w.server.clientsMade, 1);

    w.action("mnuServerRunning")->trigger();
    QVERIFY(!w.action("mnuServerRunning")->isChecked());
    QVERIFY(!w.cycle().timer1()->isActive());
    w.action("mnuSendRecv")->trigger();  // stopped: starts nothing, says why
    QVERIFY(w.statuses.last().contains("Tools > Server Running"));
    w.cycle().timer1Tick();
    QCOMPARE(w.server.clientsMade, 1);
    // Running again, the Send/Receive asked for meanwhile comes at once.
    w.action("mnuServerRunning")->trigger();
    w.cycle().timer1Tick();
    QCOMPARE(w.server.clientsMade, 2);
  }

  void everyCycleShowsItsCapturesAndNamesWhyALogInFailed() {
    CycleWindow w;
    w.set(w.nodes[0], "rule1", "<1<Subject>1> <2<Has>2> <3<join>3> <4<Or>4>");
    mail::IncomingMessage signUp = message("u1");
    signUp.subject = "join";
    signUp.senderAddress = "new@x.org";
    w.server.add(signUp);
    w.load();
    w.cycle().timer1Tick();
    QCOMPARE(w.emails(),
             QStringList{"new@x.org"});  // nothing was sent, the grid shows it all the same

    // When the next cycle comes is the scheduler's test; Clear Pop History and Send/Receive
    // reach it: every message is new again, at once.
    w.action("mnuClearPop")->trigger();
    w.action("mnuSendRecv")->trigger();
    w.cycle().timer1Tick();
    QVERIFY(w.lastCycle().contains("Downloading New Emails..."));

    w.server.refuseLogin = true;
    w.action("mnuSendRecv")->trigger();
    w.cycle().timer1Tick();
    QCOMPARE(w.statuses.last(), QString("Problems logging into Pop3: the account name or "
                                        "password was refused. Check Server Settings"));
  }

  void aMissingMessageFileIsAStatusAndALogLineNeverABox() {
    CycleWindow w("fn");
    w.sendLetter(w.nodes[1], w.program.path() / "gone.txt");
    w.writeSubscribers({person("Ann")});
    w.load();
    ModalScript boxes(1500);
    boxes.answerBox(QMessageBox::Ok);
    w.cycle().timer1Tick();
    QVERIFY(boxes.boxes().isEmpty());
    QVERIFY(w.statuses.last().endsWith("gone.txt Does Not Exist in New Newsletter #1"));
    QVERIFY(readBytes(w.program.path() / "errlog.txt").find("gone.txt Does Not Exist") !=
            std::string::npos);
  }

  void aSentNewsletterReloadsTheGridAndCounts() {
    CycleWindow w("fn");
    std::filesystem::path letter = w.program.path() / "welcome.txt";
    writeBytes(letter, "Welcome aboard!\r\n");
    w.sendLetter(w.nodes[1], letter);
    w.writeSubscribers(
        {{"ann@example.com", "Ann", store::SystemClock().today(), "none", "true", "Filter_1", ""}});
    w.load();
    auto* today = w.window->userPanel()->findChild<QLabel*>("lblSent");
    QCOMPARE(today->text(), QString("Emails sent today: 0"));
    QSignalSpy reloads(w.window->userPanel()->gridModel(), &QAbstractItemModel::modelReset);
    w.cycle().timer1Tick();
    QCOMPARE(reloads.count(), 1);
    QCOMPARE(w.server.sent.size(), std::size_t(1));
    QCOMPARE(w.server.sent[0].toAddress, std::string("ann@example.com"));
    QCOMPARE(w.statuses.last(), QString("New messages have been sent!"));
    QCOMPARE(today->text(), QString("Emails sent today: 1"));
    QCOMPARE(w.window->userPanel()->findChild<QLabel*>("lbl_total_emails_sent")->text(),
             QString("Total Emails Sent: 1"));
    w.window->Form_Unload();
    QCOMPARE(w.get(3, "totalemailssent"), "1");
    // Closing renumbers the blocks in tree order: the newsletter now comes before the filter.
    QCOMPARE(w.get(w.nodes[0], "timessent"), "1");
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<CycleTest>("CycleTest");

}  // namespace tidewell::testing

#include "cycle_test.moc"
