// The Help menu: the manual opens beside the program in the web browser, About names the
// version.

#include <QAbstractButton>
#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QTest>
#include <QTextEdit>
#include <QUrl>

#include "app_fixture.h"
#include "main_window.h"
#include "modal_script.h"

namespace tidewell::testing {

// Stands in for the web browser.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;

 public slots:
  void open(const QUrl& url) { urls << url; }
};

class HelpTest : public QObject {
  Q_OBJECT

 private slots:
  void userManualOpensTheInstalledPage() {
    UrlCatcher browser;
    QDesktopServices::setUrlHandler("file", &browser, "open");
    ProgramFolder program;
    app::MainWindow window(program.path());
    window.findChild<QAction*>("mnuUserManual")->trigger();
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(browser.urls.size(), 1);
    QVERIFY(browser.urls[0].isLocalFile());
    QString page = browser.urls[0].toLocalFile();
    QVERIFY(page.endsWith("/tidewell-manual.html"));
    QVERIFY(QFileInfo::exists(page));
  }

  void aboutNamesTheVersion() {
    ProgramFolder program;
    app::MainWindow window(program.path());
    QString text;
    ModalScript script;
    script.onWidget("f_about", [&](QWidget* about) {
      text = about->findChild<QTextEdit*>("txtAbout")->toPlainText();
      clickLater(about->findChild<QAbstractButton*>("cmdOK"));
    });
    window.findChild<QAction*>("mnuAbout")->trigger();
    QVERIFY(script.done());
    QVERIFY(text.startsWith("Tidewell V3.3"));
  }
};

[[maybe_unused]] const bool kAdded = addTestClass<HelpTest>("HelpTest");

}  // namespace tidewell::testing

#include "help_test.moc"
