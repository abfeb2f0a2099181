// The main window on an open profile: what a new operator met (the CSV import, fields checked
// when left, an untrusted certificate, the web kit, a refresh token replaced during a transfer,
// the looks), the profile tree, the check cycles against an in-memory mailbox, the Statistics
// tab and the newsletter preview.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QtCharts/QChartView>
#include <chrono>
#include <thread>

#include "app_fixture.h"
#include "mail/refresh_token_rotations.h"
#include "new_profile_wizard.h"
#include "preview_dialog.h"
#include "store/clock.h"
#include "store/date_text.h"
#include "store/oauth_account.h"
#include "subscribers/ui/subscriber_actions.h"

namespace tidewell::testing {

namespace {

// Imports the file (name, address) into Filter_1 through the dialog, chosen with Browse...,
// answering the boxes it opens; returns them and whether the dialog closed.
QStringList importAddresses(SubscriberWindow& w, const std::string& bytes,
                            const QList<int>& answers, bool& closed) {
  std::filesystem::path csv = w.program.path() / "list.csv";
  writeBytes(csv, bytes);
  QStringList boxes;
  ModalScript script(10000);
  script.onWidget("frmLoadCSV", [&](QWidget* d) {
    ModalScript browse;
    browse.then([&](QWidget* f) {
      auto* files = qobject_cast<QFileDialog*>(f);
      if (!files || files->windowTitle() != "Select a CSV file to load") return false;
      child<QLineEdit>(files, "fileNameEdit")->setText(QString::fromStdString(csv.string()));
      QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
      return true;
    });
    child<QPushButton>(d, "Command1")->click();
    child<QComboBox>(d, "Combo1")->setCurrentText("2");
    child<QComboBox>(d, "Combo2")->setCurrentText("Filter_1");
    for (int i : {0, 1}) child<QListWidget>(d, "List1")->item(i)->setSelected(true);
    for (int column : {1, 0}) {  // email -> Column 2, then name -> Column 1
      child<QListWidget>(d, "List2")->setCurrentRow(0);
      child<QListWidget>(d, "List3")->setCurrentRow(column);
      child<QPushButton>(d, "Command5")->click();
    }
    ModalScript answering;
    for (int answer : answers) answering.answerBox(answer);
    child<QPushButton>(d, "Command3")->click();
    boxes = answering.boxes();
    closed = !d->isVisible();
    if (!closed) clickLater(d, "Command2");
  });
  QTest::mouseClick(child<QPushButton>(w.panel(), "Commandt"), Qt::LeftButton);
  return boxes;
}

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

mail::IncomingMessage message(const std::string& uidl) {
  mail::IncomingMessage m;
  m.uidl = uidl;
  m.subject = "Hello";
  m.body = "Just saying hello";
  m.senderAddress = "friend@example.com";
  m.senderName = "Friend";
  return m;
}

std::string daysAgo(int days) {
  std::int32_t today = store::toDayNumber(store::SystemClock().today());
  return store::shortDateText(store::fromDayNumber(today - days));
}

// Three subscribers, an opt-out, a day's sends and a bounce strike; the daily cap draws a line.
void writeLogs(SubscriberWindow& w) {
  w.writeSubscribers({person("Ann"), person("Bob"), person("Cy", "Filter_2")});
  std::filesystem::path folder = w.profile.parent_path();
  writeLines(folder / "deactivated.log",
             {daysAgo(1) + "\t9:00:00 AM\tgone@x.org\tFilter_1\topt-out\t-\t-"});
  writeLines(folder / "activity.log",
             {"message sent:\ta@x.org\tNew Newsletter #1\t" + daysAgo(1) + "\t9:00:00 AM"});
  writeLines(folder / "Gold.bounces", {"slow@x.org\t2\t" + daysAgo(9) + "\t" + daysAgo(2)});
  w.set(store::kServerBlock, "capday", "40");
  w.set(w.nodes[2], "rule", "Filter_1");
  w.set(w.nodes[2], "days", "3");
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  // What a new operator met in the window.
  void csvImportAsksClosesAndSkipsWhatTheFilterHas() {
    struct Case {
      const char* name;
      std::string bytes;
      QStringList boxStarts;
      QStringList emails;
      bool closes;  // after a No to the follow-ups that are due, which are then marked sent
    };
    const QString welcome = "Import CSV|These follow-ups of Filter_1 are due at once";
    for (const Case& c :
         {Case{"known and twice",
               "Ann,ann@x.org\r\nBo,bo@x.org\r\nBo,BO@x.org\r\n",
               {welcome,
                "Import CSV|Imported 1 subscribers into Filter_1; skipped 2 lines.\n2 of "
                "them were already on Filter_1"},
               {"ann@x.org", "bo@x.org"},
               true},
          Case{"empty", " \r\n", {"Import CSV|The file is empty"}, {"ann@x.org"}, false},
          Case{"binary",
               std::string("PK\x03\x04\0\0\x14\0", 8),
               {"Import CSV|The file is not a CSV file"},
               {"ann@x.org"},
               false}}) {
      SubscriberWindow w("fn");
      w.set(w.nodes[1], "rule", "Filter_1");
      w.writeSubscribers({person("Ann")});
      w.open();
      bool closed = false;
      QList<int> answers{QMessageBox::Ok};
      if (c.closes) answers.prepend(QMessageBox::No);
      QStringList boxes = importAddresses(w, c.bytes, answers, closed);
      QVERIFY2(boxes.size() == c.boxStarts.size(), qPrintable(boxes.join(" / ")));
      for (int i = 0; i < boxes.size(); ++i) {
        QVERIFY2(boxes[i].startsWith(c.boxStarts[i]), qPrintable(boxes[i]));
      }
      QCOMPARE(w.emails(), c.emails);
      QCOMPARE(closed, c.closes);
      if (c.closes) {
        QCOMPARE(w.table().record(w.table().size() - 1).sentList(),
                 std::string_view("New Newsletter #1[\\?]"));
      }
    }
  }

  void fieldsAreCheckedWhenLeftAndTheTitleWhenTyped() {
    SubscriberWindow w("f");
    w.open();
    w.window->ShowFrame(2);
    auto* port = child<QLineEdit>(w.window->currentPanel(), "txtPopPort");
    w.type(port, "abc");
    QCOMPARE(
        boxesAfter([&] { child<QLineEdit>(w.window->currentPanel(), "txtSMTPPort")->setFocus(); }),
        QStringList{"Pop3 Port|The Pop3 port must be a whole number from 1 "
                    "to 65535, not \"abc\"."});
    QCOMPARE(port->text(), QString("110"));
    QCOMPARE(w.get(2, "PopPort"), "110");

    app::NewProfileWizard wizard(w.program.settings, w.program.cipher);
    QVERIFY(showActive(&wizard));
    QTest::keyClicks(child<QLineEdit>(&wizard, "txtProfile"), "Go/ld");
    QCOMPARE(child<QLineEdit>(&wizard, "txtProfile")->text(), QString("Gold"));
    QVERIFY(!child<QLabel>(&wizard, "lblTitleHint")->text().isEmpty());
    wizard.nextButton()->click();
    QTest::keyClicks(child<QLineEdit>(&wizard, "txtEmail"), "not-an-address");
    child<QLineEdit>(&wizard, "txtReply")->setFocus();
    QVERIFY(child<QLabel>(&wizard, "lblAddressHint")->text().contains("not-an-address"));
    QTest::keyClicks(child<QLineEdit>(&wizard, "txtReply"), "r@x.org");
    QCOMPARE(boxesAfter([&] { wizard.nextButton()->click(); }),
             QStringList{"Email Address|\"not-an-address\" is not an e-mail "
                         "address: it has no \"@\"."});
    QCOMPARE(wizard.page(), 2);
  }

  void anUntrustedCertificateIsShownAfterTheCycleAndTrustedOnce() {
    SubscriberWindow w("f");
    w.server.refuseLogin = true;
    w.server.loginError = "POP3 log-in: SSL peer certificate or SSH remote key was not OK";
    w.load();
    mail::ServerCertificate presented{"CN=pop.example.com", "CN=pop.example.com",
                                      "Dec  1 2026",        "Dec  1 2027",
                                      std::string(95, 'A'), "self-signed certificate"};
    for (std::size_t i = 2; i < presented.sha256.size(); i += 3) presented.sha256[i] = ':';
    w.window->setCertificateFetcher(
        [&](const engine::CertificateTarget&, std::string&) { return presented; });
    w.window->cycleDriver()->timer1Tick();
    QVERIFY(
        w.statuses.contains("Problems logging into Pop3: the server's certificate is not "
                            "trusted. Check it with Trust Certificate in Server Settings"));
    app::CertificateDialog* shown = w.window->certificateDialog();
    QVERIFY(shown && shown->isVisible() && !shown->isModal());
    QString text = child<QPlainTextEdit>(shown, "txtCertificate")->toPlainText();
    QVERIFY(text.contains("Not trusted: self-signed"));
    child<QPushButton>(shown, "cmdTrust")->click();
    QCOMPARE(w.get(2, "popcert"), presented.sha256);
    QCOMPARE(w.window->session()->settings().campaign.pop_certificate, presented.sha256);
  }

  void theFiltersPanelKeepsTheWebKitAddressAndTheDialogWritesTheKit() {
    SubscriberWindow w("f");
    w.open();
    w.window->ShowFrame(4);
    auto* address = child<QLineEdit>(w.window.get(), "txtWebKit");
    QVERIFY(address->isVisible());
    // The engine sends with these settings.
    store::CampaignProperties& settings = w.window->session()->settings().campaign;
    ModalScript refused;
    refused.answerBox(QMessageBox::Ok);
    w.type(address, "http://www.example.com/list/");
    w.window->currentPanel()->commitPendingEdit();
    QTRY_VERIFY(refused.done());
    QVERIFY(refused.boxes().first().contains("https://"));
    QCOMPARE(settings.webkit, std::string());
    w.type(address, "https://www.example.com/list/");
    w.window->currentPanel()->commitPendingEdit();
    QCOMPARE(w.get(store::kFiltersBlock, "webkit"), "https://www.example.com/list/");
    QCOMPARE(settings.webkit, "https://www.example.com/list/");

    std::filesystem::path kit = w.program.path() / "kit";
    QString result;
    ModalScript dialog;
    dialog.onWidget("frmWebKit", [&](QWidget* d) {
      child<QLineEdit>(d, "txtKitFolder")->setText(QString::fromStdString(kit.string()));
      child<QPushButton>(d, "cmdWriteKit")->click();
      result = child<QLabel>(d, "lblKitResult")->text();
      clickLater(d, "cmdCloseKit");
    });
    w.action("mnuWebKit")->trigger();
    QTRY_VERIFY(dialog.done());
    QVERIFY2(result.contains("upload email.php"), qPrintable(result));
    QCOMPARE(settings.webkitkey.size(), std::size_t{64});
    QVERIFY(readBytes(kit / "config.php").find(settings.webkitkey) != std::string::npos);
  }

  void aRefreshTokenReplacedOnAnotherThreadIsSavedIntoTheOpenProfile() {
    SubscriberWindow w("");
    store::OAuthAccount account;
    account.token_url = "https://provider.example/token";
    account.client_id = "client";
    account.client_secret = "client secret";
    account.refresh_token = "rt-first";
    {
      store::ProfileStore profile(w.profile, w.program.trap);
      QVERIFY(store::writeOAuthAccount(profile, w.program.cipher, "pop", account, "1/2/2027"));
    }
    w.load();
    std::thread([] { mail::RefreshTokenRotations::record("rt-first", "rt-second"); }).join();
    QTRY_COMPARE(w.window->session()->settings().campaign.pop_oauth.refresh_token, "rt-second");
    store::ProfileStore profile(w.profile, w.program.trap);
    const store::OAuthAccount saved =
        store::readOAuthAccount(profile.load(), "pop", w.program.cipher, w.profile);
    QCOMPARE(saved.refresh_token, "rt-second");
    QCOMPARE(saved.client_secret, "client secret");
    QCOMPARE(saved.token_url, account.token_url);
  }

  void looks() {
    SubscriberWindow w("fn");
    w.writeSubscribers({person("Ann")});
    w.open();
    QVERIFY(w.view()->horizontalHeader()->stretchLastSection());
    QVERIFY(w.view()->columnWidth(0) >
            w.view()->fontMetrics().horizontalAdvance(QStringLiteral("9999999")));
    w.window->ShowFrame(w.nodes[1]);
    QVERIFY(!child<QCheckBox>(w.window->currentPanel(), "chkVerify")->text().isEmpty());

    ModalScript script;
    QString focused;
    script.onWidget("frmEditEmail", [&](QWidget* d) {
      focused = d->focusWidget() ? d->focusWidget()->objectName() : "";
      QVERIFY(child<QPushButton>(d, "Command1")->isDefault());
      QVERIFY(!child<QPushButton>(d, "Command2")->autoDefault());
      clickLater(d, "Command1");
    });
    w.window->ShowFrame(1);
    QTest::mouseDClick(w.view()->viewport(), Qt::LeftButton, Qt::NoModifier, w.rowCentre(1));
    QVERIFY(focused != "Command2");

    const QString title = "A caption long enough to be cut short by a narrow box";
    int width = 0;
    ModalScript longTitle;
    longTitle.then([&](QWidget* box) {
      width = box->width();
      clickLater(static_cast<QMessageBox*>(box)->button(QMessageBox::Ok));
      return true;
    });
    w.window->operatorInterface().showMessage("Short.", title.toStdString());
    QVERIFY(width > w.window->fontMetrics().horizontalAdvance(title));

    // The manual installed beside the program is the page handed to the browser; when no
    // browser starts, a box names the file instead.
    ModalScript noBrowser;
    noBrowser.answerBox(QMessageBox::Ok);
    QString page;
    w.window->setManualOpener([&page](const QString& opened, auto failed) {
      page = opened;
      failed("no browser");
    });
    w.action("mnuUserManual")->trigger();
    QVERIFY(page.endsWith("/tidewell-manual.html") && QFileInfo::exists(page));
    QVERIFY(noBrowser.boxes().size() == 1 && noBrowser.boxes()[0].contains("tidewell-manual.html"));
  }

  // The profile tree: parents, panels, menus, the required-fields box and deletion.
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

    QCOMPARE(boxesAfter([&] { window.nodeClicked(1); }),
             QStringList{"Required Fields|The listed fields are required:\n\n"
                         "- Outgoing Mail (SMTP)\n- Reply Name\n\nPlease fill in."});
    QCOMPARE(window.currentIndex(), 2);
    QCOMPARE(window.currentKind(), QString("system"));
  }

  void rightClickOpensTheMenuOfThePressedNode() {
    OpenProfile open;
    open.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(open.window.get()));
    // The pressed node's first entry, New Filter, is chosen: Filter_3 follows.
    ModalScript script;
    script.then([&](QWidget* w) {
      auto* menu = qobject_cast<QMenu*>(w);
      if (!menu) return false;
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
    QTRY_COMPARE(open.window->tree()->nodeCount(), 8);
    QCOMPARE(open.window->tree()->nodeAt(8)->text(0), QString("Filter_3"));
    QCOMPARE(open.window->currentIndex(), 8);
  }

  void deletingTheLastNodeAsksAndShowsTheOneBefore() {
    OpenProfile open;
    open.window->ShowFrame(7);
    QCOMPARE(boxesAfter([&] { open.window->tvDelete_Click(); }, QMessageBox::No),
             QStringList{"Delete Item|Are you sure?"});
    QCOMPARE(open.window->tree()->nodeCount(), 7);

    boxesAfter([&] { open.window->tvDelete_Click(); }, QMessageBox::Yes);
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

  // Cycles: statuses in order, the window responsive and locked meanwhile, Tools, a send counted.
  void firstTickRunsACycleWhileTheWindowKeepsTurning() {
    SubscriberWindow w("f");
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
    auto* combo = child<QComboBox>(w.panel(), "Combo1");
    auto* server = child<QWidget>(w.window.get(), "frameCampaignProperties");
    auto* serverBox = server->findChild<QLineEdit*>();
    QTimer probe;
    probe.setInterval(10);
    connect(&probe, &QTimer::timeout, [&] {
      if (!w.cycle().busy()) return;
      ++turns;
      // Download progress comes from the transfer thread.
      progressShown = progressShown || (!w.window->progressBar()->isHidden() &&
                                        w.window->progressBar()->value() > 0);
      // The tree and the panels stay browsable; what would change the profile is locked.
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
    QVERIFY(!serverBox->isReadOnly());
    QVERIFY(w.action("mnuNewProfile")->isEnabled());
    QVERIFY(w.action("mnuSendRecv")->isEnabled());
  }

  void cyclesStartWithTheFirstFilterAndStopWithServerRunning() {
    SubscriberWindow w("");
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
  }

  void everyCycleShowsItsCapturesAndClearPopHistoryReachesTheNext() {
    SubscriberWindow w("f");
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
  }

  void aMissingMessageFileIsAStatusAndALogLineNeverABox() {
    SubscriberWindow w("fn");
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
    SubscriberWindow w("fn");
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
    QCOMPARE(w.statuses.last(), QString("New messages have been sent!"));
    QCOMPARE(today->text(), QString("Emails sent today: 1"));
    QCOMPARE(w.window->userPanel()->findChild<QLabel*>("lbl_total_emails_sent")->text(),
             QString("Total Emails Sent: 1"));
    w.window->Form_Unload();
    QCOMPARE(w.get(3, "totalemailssent"), "1");
    // Closing renumbers the blocks in tree order: the newsletter now comes before the filter.
    QCOMPARE(w.get(w.nodes[0], "timessent"), "1");
  }

  // The Statistics tab over hand-made logs; the preview from the grid's menu.
  void tabShowsTheFilesReadOffTheWindowsThread() {
    SubscriberWindow w("ffnn");
    writeLogs(w);
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
    QCOMPARE(view->shown().whole.optouts(), 1);
    QCOMPARE(child<QTableWidget>(view, "gridStatsStrikes")->rowCount(), 1);
    QCOMPARE(child<QChartView>(view, "chartSends")->chart()->series().size(), 2);  // the cap
    // A cycle's end reads the files again while the tab is shown.
    w.window->cycleDriver()->busyChanged(false);
    QVERIFY(refreshed.wait(10000));
  }

  void previewFromTheGridSendsATest() {
    SubscriberWindow w("ffnn");
    writeLogs(w);
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

[[maybe_unused]] const bool kAdded = addTestClass<WindowTest>("WindowTest");

}  // namespace tidewell::testing

#include "window_test.moc"
