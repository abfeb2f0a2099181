// What a new operator met in the window: the CSV import (closing, skipping what the filter has,
// unreadable files, follow-ups already due), the opt-in code New Email needs, fields checked
// when they are left, an untrusted server certificate shown and trusted, the web kit's address
// and dialog, a refresh token replaced during a transfer, and the looks.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <thread>

#include "app_fixture.h"
#include "mail/refresh_token_rotations.h"
#include "new_profile_wizard.h"
#include "store/oauth_account.h"

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
  script.then([&](QWidget* d) {
    if (d->objectName() != "frmLoadCSV") return false;
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
    return true;
  });
  QTest::mouseClick(child<QPushButton>(w.panel(), "Commandt"), Qt::LeftButton);
  return boxes;
}

}  // namespace

class WindowFaultsTest : public QObject {
  Q_OBJECT

 private slots:
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
         {Case{"quoted, and a line without an address",
               "\"Lee, Bo\",bo@x.org\r\nNo Address,\r\n\"Dee \"\"D\"\"\",dee@x.org\r\n",
               {welcome, "Import CSV|Imported 2 subscribers into Filter_1; skipped 1 lines."},
               {"ann@x.org", "bo@x.org", "dee@x.org"},
               true},
          Case{"known and twice",
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

  void theFilterPanelEditsTheOptInCodeNewEmailNeeds() {
    SubscriberWindow w("f");
    w.set(w.nodes[0], "subject", "");
    w.open();
    ModalScript refused;
    refused.answerBox(QMessageBox::Ok);
    QTest::mouseClick(child<QPushButton>(w.panel(), "cmdNewEmail"), Qt::LeftButton);
    QCOMPARE(refused.boxes(), QStringList{"ERROR|You must assign an Opt-In Code to a Filter!"});
    w.window->ShowFrame(w.nodes[0]);
    // The box closed does not hand the activation back: typing activates the window.
    w.type(child<QLineEdit>(w.window->currentPanel(), "txtOptInCode"), "join");
    w.window->ShowFrame(1);
    QCOMPARE(w.get(w.nodes[0], "subject"), "join");
    ModalScript script;
    script.answerBox(QMessageBox::Ok);
    script.onWidget("frmNewEmail", [](QWidget* d) { clickLater(d, "Command2"); });
    QTest::mouseClick(child<QPushButton>(w.panel(), "cmdNewEmail"), Qt::LeftButton);
    QCOMPARE(script.boxes(), QStringList());  // the code now set, the dialog opens
  }

  void fieldsAreCheckedWhenLeftAndTheTitleWhenTyped() {
    SubscriberWindow w("f");
    w.open();
    w.window->ShowFrame(2);
    auto* port = child<QLineEdit>(w.window->currentPanel(), "txtPopPort");
    w.type(port, "abc");
    ModalScript script;
    script.answerBox(QMessageBox::Ok);
    child<QLineEdit>(w.window->currentPanel(), "txtSMTPPort")->setFocus();
    QCOMPARE(script.boxes(), QStringList{"Pop3 Port|The Pop3 port must be a whole number from 1 "
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
    ModalScript next;
    next.answerBox(QMessageBox::Ok);
    wizard.nextButton()->click();
    QCOMPARE(next.boxes(), QStringList{"Email Address|\"not-an-address\" is not an e-mail "
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
    QHeaderView* header = w.view()->horizontalHeader();
    QVERIFY(header->stretchLastSection());
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
    QCOMPARE(noBrowser.boxes().size(), 1);
    QVERIFY(noBrowser.boxes()[0].contains("tidewell-manual.html"));
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<WindowFaultsTest>("WindowFaultsTest");

}  // namespace tidewell::testing

#include "window_faults_test.moc"
