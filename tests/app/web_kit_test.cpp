// The web kit in the window: the Filters panel keeps the kit's address (in the profile and in
// the settings the engine sends with), and Tools > Web Kit... writes the kit.

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "editor/ui/property_panel.h"
#include "profile_session.h"
#include "subscriber_window.h"

namespace tidewell::testing {

class WebKitTest : public QObject {
  Q_OBJECT

 private slots:
  void filtersPanelKeepsTheKitAddressAndTheDialogWritesTheKit() {
    SubscriberWindow w("f");
    w.open();
    app::MainWindow& window = *w.window;
    ProgramFolder& program = w.program;
    window.ShowFrame(4);
    auto* address = window.findChild<QLineEdit*>("txtWebKit");
    QVERIFY(address && address->isVisible());
    store::CampaignProperties& settings = window.session()->settings().campaign;

    ModalScript refused;
    refused.answerBox(QMessageBox::Ok);
    type(window, address, "http://www.example.com/list/");
    QTRY_VERIFY(refused.done());
    QVERIFY(refused.boxes().first().contains("https://"));
    QCOMPARE(settings.webkit, std::string());

    type(window, address, "https://www.example.com/list/");
    store::ProfileStore store(w.profile, program.trap);
    QCOMPARE(store.GetFromFile_new(store::kFiltersBlock, "webkit"),
             std::string("https://www.example.com/list/"));
    QCOMPARE(settings.webkit, std::string("https://www.example.com/list/"));

    std::filesystem::path kit = program.path() / "kit";
    QString result;
    ModalScript dialog;
    dialog.onWidget("frmWebKit", [&](QWidget* w) {
      w->findChild<QLineEdit*>("txtKitFolder")->setText(QString::fromStdString(kit.string()));
      w->findChild<QPushButton*>("cmdWriteKit")->click();
      result = w->findChild<QLabel*>("lblKitResult")->text();
      clickLater(w->findChild<QPushButton*>("cmdCloseKit"));
    });
    window.findChild<QAction*>("mnuWebKit")->trigger();
    QTRY_VERIFY(dialog.done());
    QVERIFY2(result.contains("upload email.php"), qPrintable(result));
    QCOMPARE(settings.webkitkey.size(), std::size_t{64});
    QVERIFY(readBytes(kit / "config.php").find(settings.webkitkey) != std::string::npos);
  }

 private:
  static void type(app::MainWindow& window, QLineEdit* box, const QString& text) {
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    window.currentPanel()->commitPendingEdit();
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<WebKitTest>("WebKitTest");

}  // namespace tidewell::testing

#include "web_kit_test.moc"
