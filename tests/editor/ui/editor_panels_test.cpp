// Qt Test cases of the editor's panels and dialogs on the offscreen platform: fields write when
// they lose the focus, the title rules, the rule editor, the field grids, the newsletter panel
// and the outgoing-authentication dialog. Each panel and dialog is also saved as a picture.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>

#include "editor/ui/date_picker_dialog.h"
#include "editor/ui/filter_advanced_dialog.h"
#include "editor/ui/filter_panel.h"
#include "editor/ui/filters_panel.h"
#include "editor/ui/html_dialog.h"
#include "editor/ui/newsletter_panel.h"
#include "editor/ui/newsletters_panel.h"
#include "editor/ui/outgoing_authentication_dialog.h"
#include "editor/ui/rule_editor_dialog.h"
#include "editor/ui/server_settings_panel.h"
#include "editor/ui/subjects_dialog.h"
#include "editor_fixture.h"
#include "modal_driver.h"

namespace tidewell::editor::ui {
namespace {

using editor::testing::EditorProfile;
using editor::testing::TaggingCipher;
using ui::testing::ModalDriver;

template <class W = QWidget>
W* child(QWidget* parent, const char* name) {
  W* w = parent->findChild<W*>(name);
  if (!w) qFatal("no widget %s", name);
  return w;
}

QString messageText(QWidget* modal) {
  auto* box = qobject_cast<QMessageBox*>(modal);
  return box ? box->text() : QString();
}

// Everything a panel borrows from the main window, recorded for the checks.
struct Window {
  EditorProfile profile;
  store::CampaignProperties settings;
  TaggingCipher cipher;
  std::vector<store::FilterRecord> filters;
  std::vector<std::pair<std::string, std::string>> renames;
  std::vector<std::string> statuses;
  std::vector<int> reloads;
  std::function<void(int)> onReload;

  PanelServices services() {
    PanelServices s;
    s.profile = &profile.store();
    s.trap = &profile.trap();
    s.settings = &settings;
    s.cipher = &cipher;
    s.filterList = [this]() -> const std::vector<store::FilterRecord>& { return filters; };
    s.rebuildFilterList = [this] { filters = profile.filters(); };
    s.reloadTree = [this](int index) {
      reloads.push_back(index);
      if (onReload) onReload(index);
    };
    s.renameNode = [this](const std::string& from, const std::string& to) {
      renames.emplace_back(from, to);
    };
    s.showStatus = [this](const std::string& text) { statuses.push_back(text); };
    return s;
  }
};

// A top-level window holding the panel and a field to move the focus to.
class Host : public QWidget {
 public:
  explicit Host(QWidget* content) {
    auto* layout = new QVBoxLayout(this);
    content->setParent(this);
    layout->addWidget(content);
    sink = new QLineEdit(this);
    sink->setObjectName("focusSink");
    layout->addWidget(sink);
    resize(760, 640);
    show();
    activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(this));
  }
  // Types into the field as the operator would, then leaves it.
  void edit(QLineEdit* field, const QString& text) {
    activate();
    field->setFocus();
    QApplication::processEvents();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
    leave();
  }
  // A closed modal dialog does not hand the activation back on the offscreen platform.
  void activate() {
    activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(this));
  }
  void leave() {
    sink->setFocus();
    QApplication::processEvents();
  }
  QLineEdit* sink;
};

void savePicture(QWidget* w, const QString& name) {
  QDir().mkpath(TIDEWELL_SCREENSHOT_DIR);
  QVERIFY(w->grab().save(QString(TIDEWELL_SCREENSHOT_DIR) + "/" + name + ".png"));
}

}  // namespace

class EditorPanelsTest : public QObject {
  Q_OBJECT

 private slots:
  void serverSettingsFieldsWriteOnFocusLoss();
  void serverSettingsSwitchesSliderAndDefaults();
  void outgoingAuthenticationDialog();
  void filterTitleRules();
  void filterTextBoxesAndAdvanced();
  void ruleEditorMessagesAndCaption();
  void fieldEditorAcceptance();
  void extractKeyEditorAcceptance();
  void newsletterAttachments();
  void newsletterDaysOrDate();
  void newsletterFollowsFilter();
  void containerPanels();
  void dialogPictures();
};

void EditorPanelsTest::serverSettingsFieldsWriteOnFocusLoss() {
  Window w;
  auto* panel = new ServerSettingsPanel(w.services(), nullptr);
  Host host(panel);
  panel->showBlock(2);
  QCOMPARE(child<QLineEdit>(panel, "txtPass")->text(), QString("secret"));

  host.edit(child<QLineEdit>(panel, "txtSMTP"), "mail.example.org");
  QCOMPARE(w.profile.get(2, "smtp"), std::string("mail.example.org"));
  QCOMPARE(w.settings.smtp, std::string("mail.example.org"));
  host.edit(child<QLineEdit>(panel, "txtPop3"), "pop.example.org");
  QCOMPARE(w.profile.get(2, "pop3"), std::string("pop.example.org"));
  host.edit(child<QLineEdit>(panel, "txtPass"), "n3w");
  QCOMPARE(w.profile.get(2, "pass"), std::string("ENC(n3w,12/5/2026)"));
  QCOMPARE(w.settings.password, std::string("n3w"));
  host.edit(child<QLineEdit>(panel, "txtSMTPPort"), "587");
  QCOMPARE(w.profile.get(2, "SMTPPort"), std::string("587"));
  QCOMPARE(w.settings.smtp_port, std::string("587"));

  // The tree follows the title while it is typed; the file when it is left.
  host.edit(child<QLineEdit>(panel, "txtCampaignTitle"), "Mail");
  QVERIFY(!w.renames.empty());
  QCOMPARE(w.renames.front().first, std::string("Server Settings"));
  QCOMPARE(w.renames.back().second, std::string("Mail"));
  QCOMPARE(w.profile.get(2, "title"), std::string("Mail"));
  QCOMPARE(w.profile.get(3, "parent"), std::string("Mail"));

  host.edit(child<QLineEdit>(panel, "txtSMTP"), "");
  host.edit(child<QLineEdit>(panel, "txtReply"), "");
  QCOMPARE(panel->missingRequiredFields(), QStringList({"- Outgoing Mail (SMTP)", "- Reply Name"}));
  savePicture(panel, "server_settings_panel");
}

void EditorPanelsTest::serverSettingsSwitchesSliderAndDefaults() {
  Window w;
  auto* panel = new ServerSettingsPanel(w.services(), nullptr);
  Host host(panel);
  panel->showBlock(2);
  child<QCheckBox>(panel, "Check8")->click();
  QCOMPARE(w.profile.get(2, "POPSSL"), std::string("1"));
  QCOMPARE(w.settings.POPSSL, 1);
  child<QCheckBox>(panel, "Check2")->click();
  QCOMPARE(w.profile.get(2, "delete"), std::string("true"));
  child<QSlider>(panel, "Slider1")->setValue(9);
  QCOMPARE(w.profile.get(2, "server_timeout"), std::string("300"));
  QCOMPARE(child<QLabel>(panel, "Label42")->text(), QString("5 minutes"));
  child<QPushButton>(panel, "Command1")->click();
  QCOMPARE(w.profile.get(2, "server_timeout"), std::string("60"));
  QCOMPARE(w.profile.get(2, "POPSSL"), std::string("0"));
  QCOMPARE(child<QSlider>(panel, "Slider1")->value(), 1);
  QCOMPARE(child<QLabel>(panel, "Label42")->text(), QString("1 minute"));
  QVERIFY(!child<QCheckBox>(panel, "Check8")->isChecked());
  // Showing the node again writes nothing.
  std::vector<std::string> before = w.profile.lines();
  panel->showBlock(2);
  QCOMPARE(w.profile.lines(), before);
}

void EditorPanelsTest::outgoingAuthenticationDialog() {
  Window w;
  w.settings.account = "ann";
  w.settings.password = "secret";
  auto* panel = new ServerSettingsPanel(w.services(), nullptr);
  Host host(panel);
  panel->showBlock(2);
  auto* settingsButton = child<QPushButton>(panel, "Command2");
  QVERIFY(!settingsButton->isEnabled());
  child<QCheckBox>(panel, "Check6")->click();
  QVERIFY(settingsButton->isEnabled());
  QCOMPARE(w.profile.get(2, "smtp_account"), std::string("ann"));

  QString refusal;
  ModalDriver driver;
  driver.then([&](QWidget* dialog) {
    QCOMPARE(dialog->objectName(), QString("frmOutgoingAuthentication"));
    QVERIFY(child<QRadioButton>(dialog, "Option1")->isChecked());
    QVERIFY(!child<QLineEdit>(dialog, "Text1")->isEnabled());
    savePicture(dialog, "frmOutgoingAuthentication");
    child<QRadioButton>(dialog, "Option2")->click();
    QVERIFY(child<QLineEdit>(dialog, "Text1")->isEnabled());
    child<QLineEdit>(dialog, "Text1")->clear();
    QTimer::singleShot(0, child<QPushButton>(dialog, "Command1"), &QPushButton::click);
  });
  driver.then([&](QWidget* box) {
    refusal = messageText(box);
    QDialog* dialog = qobject_cast<QDialog*>(box->parentWidget());
    qobject_cast<QDialog*>(box)->accept();
    QTimer::singleShot(0, dialog, [dialog] {
      child<QLineEdit>(dialog, "Text1")->setText("smtpuser");
      child<QLineEdit>(dialog, "Text2")->setText("pw");
      child<QCheckBox>(dialog, "Check1")->setChecked(true);
      child<QPushButton>(dialog, "Command1")->click();
    });
  });
  settingsButton->click();
  QCOMPARE(refusal, QString("Please enter your account name for logging onto this server"));
  QVERIFY(driver.finished());
  QCOMPARE(w.profile.get(2, "ServerAuthentication"), std::string("2"));
  QCOMPARE(w.profile.get(2, "smtp_account"), std::string("smtpuser"));
  QCOMPARE(w.profile.get(2, "smtp_password"), std::string("ENC(pw,12/5/2026)"));
  QCOMPARE(w.profile.get(2, "SMTPSPA"), std::string("1"));
  QCOMPARE(w.settings.smtp_password, std::string("pw"));

  // Cancel writes nothing.
  std::vector<std::string> before = w.profile.lines();
  ModalDriver cancel;
  cancel.then([](QWidget* dialog) {
    QVERIFY(child<QRadioButton>(dialog, "Option2")->isChecked());
    QCOMPARE(child<QLineEdit>(dialog, "Text1")->text(), QString("smtpuser"));
    child<QRadioButton>(dialog, "Option1")->click();
    child<QPushButton>(dialog, "Command2")->click();
  });
  settingsButton->click();
  QCOMPARE(w.profile.lines(), before);
}

void EditorPanelsTest::filterTitleRules() {
  Window w;
  int filter = w.profile.addFilter();
  int newsletter = w.profile.addNewsletter();
  w.profile.store().UpdateFile_new(newsletter, "rule", "Filter_1");
  w.filters = w.profile.filters();
  auto* panel = new FilterPanel(w.services(), nullptr);
  Host host(panel);
  panel->showBlock(filter);
  auto* title = child<QLineEdit>(panel, "txtRuleTitle");

  title->setFocus();
  title->end(false);
  QTest::keyClick(title, Qt::Key_Space);
  QCOMPARE(title->text(), QString("Filter_1"));
  QCOMPARE(w.statuses.back(), std::string("Space is not allowed!"));
  QTest::keyClick(title, '#');
  QCOMPARE(w.statuses.back(), std::string("# is not allowed!"));
  QCOMPARE(title->cursorPosition(), 8);

  // Blank: refused, focus back in the box, nothing written.
  QString shown;
  ModalDriver blank;
  blank.then([&](QWidget* box) {
    shown = qobject_cast<QMessageBox*>(box)->windowTitle() + "|" + messageText(box);
    qobject_cast<QDialog*>(box)->accept();
  });
  title->selectAll();
  QTest::keyClick(title, Qt::Key_Delete);
  host.leave();
  QCOMPARE(shown, QString("Error!|Filter Title can't be blank!"));
  host.activate();
  QTRY_VERIFY(title->hasFocus());
  QCOMPARE(w.profile.get(filter, "title"), std::string("Filter_1"));

  // Duplicate of a newsletter's title: refused, old title back.
  ModalDriver duplicate;
  duplicate.then([&](QWidget* box) {
    shown = messageText(box);
    qobject_cast<QDialog*>(box)->accept();
  });
  w.profile.setTitle(newsletter, "New_Newsletter");
  host.edit(title, "new_newsletter");
  QVERIFY(shown.startsWith("A Filter\\Newsletter title you have entered already exists."));
  QCOMPARE(title->text(), QString("Filter_1"));

  // Back to its own title before leaving: no duplicate.
  host.edit(title, "Gold_List");
  QCOMPARE(w.profile.get(filter, "title"), std::string("Gold_List"));
  QCOMPARE(w.profile.get(newsletter, "rule"), std::string("Gold_List"));
  QCOMPARE(w.filters.front().title, std::string("Gold_List"));
  QCOMPARE(w.renames.back().second, std::string("Gold_List"));
}

void EditorPanelsTest::filterTextBoxesAndAdvanced() {
  Window w;
  int first = w.profile.addFilter();
  w.profile.addFilter();
  w.filters = w.profile.filters();
  auto* panel = new FilterPanel(w.services(), nullptr);
  Host host(panel);
  panel->showBlock(first);
  host.edit(child<QLineEdit>(panel, "txtDisplay"), "Gold News");
  QCOMPARE(w.profile.get(first, "displayname"), std::string("Gold News"));
  QCOMPARE(w.filters.front().displayname, std::string("Gold News"));
  host.edit(child<QLineEdit>(panel, "txtExtractToName"), "~name~");
  QCOMPARE(w.profile.get(first, "toname"), std::string("~name~"));

  ModalDriver driver;
  driver.then([&](QWidget* dialog) {
    auto* list = child<QComboBox>(dialog, "cboFilters");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(1), QString("Filter_2"));
    savePicture(dialog, "frmFilterAdvanced");
    list->setCurrentIndex(1);
    child<QPushButton>(dialog, "cmdOK")->click();
  });
  child<QPushButton>(panel, "cmdFilterAdvanced")->click();
  QCOMPARE(w.profile.get(first, "autounsubscribe"), std::string("Filter_2"));
  savePicture(panel, "filter_panel");
}

void EditorPanelsTest::ruleEditorMessagesAndCaption() {
  Window w;
  int filter = w.profile.addFilter();
  RuleEditorDialog dialog(w.profile.store(), filter, nullptr);
  dialog.show();
  auto* confirm = child<QPushButton>(&dialog, "Command3");
  auto* spec = child<QComboBox>(&dialog, "Combo1");
  auto* logic = child<QComboBox>(&dialog, "Combo2");
  auto* keyword = child<QLineEdit>(&dialog, "Text1");
  auto* connector = child<QComboBox>(&dialog, "Combo3");
  QCOMPARE(confirm->text(), QString("&OK"));
  QVERIFY(!child<QPushButton>(&dialog, "Command1")->isEnabled());

  QStringList messages;
  ModalDriver driver;
  for (int i = 0; i < 3; ++i) {
    driver.then([&](QWidget* box) {
      messages << messageText(box);
      qobject_cast<QDialog*>(box)->accept();
    });
  }
  confirm->click();  // nothing typed, no rules
  spec->setCurrentIndex(1);
  emit spec->activated(1);  // Body
  QCOMPARE(logic->currentText(), QString("Has"));
  QVERIFY(!logic->isEnabled());
  QCOMPARE(confirm->text(), QString("&Update"));
  QTest::keyClicks(keyword, "   ");
  confirm->click();
  QTest::keyClicks(keyword, "join");
  connector->setCurrentIndex(1);
  emit connector->activated(1);  // Or
  confirm->click();              // "&Update": accepted although the connector trails
  QCOMPARE(w.profile.get(filter, "rule1"),
           std::string("<1<Body>1> <2<Has>2> <3<   join>3> <4<Or>4>"));
  QCOMPARE(confirm->text(), QString("&OK"));
  confirm->click();  // "&OK" refuses the trailing connector
  QCOMPARE(messages, QStringList({"Rule required for this rule!", "Keyword is required!",
                                  "And/Or Not Allowed without NEXT rule!"}));
  QVERIFY(dialog.isVisible());
  savePicture(&dialog, "frmEditRule");
}

void EditorPanelsTest::fieldEditorAcceptance() {
  Window w;
  int filter = w.profile.addFilter();
  w.filters = w.profile.filters();
  auto* panel = new FilterPanel(w.services(), nullptr);
  Host host(panel);
  panel->showBlock(filter);
  auto* grid = child<QTableWidget>(panel, "personal_fields");
  QCOMPARE(grid->item(0, 0)->text(), QString("email"));
  QVERIFY(!(grid->item(0, 0)->flags() & Qt::ItemIsEditable));
  QCOMPARE(grid->item(2, 0)->text(), QString());

  // Refused characters never reach the cell.
  grid->setCurrentCell(2, 0);
  grid->editItem(grid->item(2, 0));
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  QVERIFY(editor);
  QTest::keyClicks(editor, "Ci_ty");
  QCOMPARE(editor->text(), QString("ity"));
  QTest::keyClick(editor, Qt::Key_Return);  // commits through a queued call
  QTRY_COMPARE(grid->item(2, 0)->text(), QString("ity"));

  // Without a caption the field cannot be made active.
  grid->item(2, 2)->setCheckState(Qt::Checked);
  QCOMPARE(grid->item(2, 2)->checkState(), Qt::Unchecked);
  grid->item(2, 1)->setText("City");
  grid->item(2, 2)->setCheckState(Qt::Checked);
  QCOMPARE(grid->item(2, 2)->checkState(), Qt::Checked);
  std::string fields = w.profile.get(filter, "fields");
  QVERIFY(fields.rfind("email:Email Address:on,name:Name:on,ity:City:on,_::off,", 0) == 0);
  QCOMPARE(w.filters.front().fieldTable[2].inputName, std::string("input3"));
}

void EditorPanelsTest::extractKeyEditorAcceptance() {
  Window w;
  int filter = w.profile.addFilter();
  w.filters = w.profile.filters();
  auto* panel = new FilterPanel(w.services(), nullptr);
  Host host(panel);
  panel->showBlock(filter);
  auto* grid = child<QTableWidget>(panel, "personal_fields2");
  grid->item(0, 0)->setText("Name:");
  grid->item(0, 3)->setCheckState(Qt::Checked);
  QCOMPARE(grid->item(0, 3)->checkState(), Qt::Unchecked);

  grid->item(0, 1)->setText("' ' (Space)");
  QCOMPARE(grid->item(0, 1)->text(), QString(" "));
  // The target column offers the active fields.
  grid->setCurrentCell(0, 2);
  grid->editItem(grid->item(0, 2));
  auto* choices = grid->findChild<QComboBox*>();
  QVERIFY(choices);
  QCOMPARE(choices->itemText(0), QString());
  QCOMPARE(choices->itemText(2), QString("Name (name)"));
  choices->setCurrentIndex(2);
  grid->setCurrentCell(1, 0);  // leaves the cell: the choice is committed
  QCOMPARE(grid->item(0, 2)->text(), QString("Name (name)"));
  grid->item(0, 3)->setCheckState(Qt::Checked);
  QCOMPARE(grid->item(0, 3)->checkState(), Qt::Checked);
  auto keys = store::parseExtractKeys(w.profile.get(filter, "extractkeys"));
  QCOMPARE(keys[0].find, std::string("Name:"));
  QCOMPARE(keys[0].targetName, std::string("name"));
  QVERIFY(keys[0].active);
}

void EditorPanelsTest::newsletterAttachments() {
  Window w;
  int n = w.profile.addNewsletter();
  auto* panel = new NewsletterPanel(w.services(), nullptr);
  Host host(panel);
  panel->showBlock(n);
  host.edit(child<QLineEdit>(panel, "txtEmailSubject"), "Welcome ~name~");
  QCOMPARE(w.profile.get(n, "subject"), std::string("Welcome ~name~"));

  tidewell::testing::writeBytes(w.profile.folder() / "a.pdf", "%PDF");
  QString attachment = QString::fromStdString((w.profile.folder() / "a.pdf").string());
  auto pick = [&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QString("File to attach"));
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(attachment);
    QMetaObject::invokeMethod(dialog, "accept");
  };
  ModalDriver driver;
  driver.then(pick);
  driver.then(pick);
  child<QPushButton>(panel, "cmdAddFile")->click();
  QCOMPARE(w.profile.get(n, "attach"), attachment.toStdString() + ",");
  child<QPushButton>(panel, "cmdAddFile")->click();
  auto* list = child<QListWidget>(panel, "lstAttachments");
  QCOMPARE(list->count(), 2);
  list->setCurrentRow(1);
  child<QPushButton>(panel, "cmdRemove")->click();
  QCOMPARE(list->count(), 0);
  QCOMPARE(w.profile.get(n, "attach"), std::string(""));
  savePicture(panel, "newsletter_panel");
}

void EditorPanelsTest::newsletterDaysOrDate() {
  Window w;
  int n = w.profile.addNewsletter();
  auto* panel = new NewsletterPanel(w.services(), nullptr);
  Host host(panel);
  panel->showBlock(n);
  auto* dateOption = child<QRadioButton>(panel, "Option2");
  auto* days = child<QComboBox>(panel, "cboDays");
  auto* setButton = child<QPushButton>(panel, "Command5");

  // No date yet: the picker opens at once; cancelling stays on days.
  ModalDriver cancel;
  cancel.then([](QWidget* picker) {
    QCOMPARE(picker->objectName(), QString("frmDate"));
    child<QPushButton>(picker, "cmdCancel")->click();
  });
  dateOption->click();
  QVERIFY(cancel.finished());
  QVERIFY(child<QRadioButton>(panel, "Option1")->isChecked());
  QVERIFY(days->isEnabled());
  QVERIFY(!setButton->isEnabled());
  QCOMPARE(w.profile.get(n, "dateordays"), std::string("days"));

  ModalDriver confirm;
  confirm.then([](QWidget* picker) { child<QPushButton>(picker, "cmdOK")->click(); });
  dateOption->click();
  QCOMPARE(child<QLineEdit>(panel, "Text2")->text(), QString("Dec 5, 2026"));
  QCOMPARE(w.profile.get(n, "date"), std::string("Dec 5, 2026"));
  QCOMPARE(w.profile.get(n, "dateordays"), std::string("date"));
  QVERIFY(setButton->isEnabled());
  QVERIFY(!days->isEnabled());

  child<QPushButton>(panel, "Command6")->click();  // Clear
  QCOMPARE(w.profile.get(n, "date"), std::string("date not set"));
  QCOMPARE(w.profile.get(n, "dateordays"), std::string("days"));
  QVERIFY(days->isEnabled());

  host.activate();
  days->setFocus();
  QApplication::processEvents();
  days->setEditText("7");
  host.leave();
  QCOMPARE(w.profile.get(n, "days"), std::string("7"));
}

void EditorPanelsTest::newsletterFollowsFilter() {
  Window w;
  w.profile.addFilter();
  w.profile.addFilter();
  int n = w.profile.addNewsletter();
  w.filters = w.profile.filters();
  auto* panel = new NewsletterPanel(w.services(), nullptr);
  w.onReload = [panel](int index) { panel->showBlock(index); };
  Host host(panel);
  panel->showBlock(n);
  auto* follow = child<QComboBox>(panel, "cboFollowRule");
  QCOMPARE(follow->currentText(), QString("No Rule Assigned"));
  follow->setFocus();
  QTest::keyClick(follow, 'F');  // typing never picks an entry
  QCOMPARE(follow->currentIndex(), 0);

  follow->setCurrentIndex(2);
  emit follow->activated(2);
  QCOMPARE(w.profile.titlesInFileOrder(),
           (std::vector<std::string>{"Filter_1", "Filter_2", "New Newsletter #1"}));
  QCOMPARE(w.reloads.back(), 7);
  QCOMPARE(w.profile.get(7, "rule"), std::string("Filter_2"));
  QCOMPARE(follow->currentText(), QString("Filter_2"));
  QCOMPARE(child<QLineEdit>(panel, "txtNewsletterTitle")->text(), QString("New Newsletter #1"));

  follow->setCurrentIndex(0);
  emit follow->activated(0);
  QCOMPARE(w.reloads.back(), 5);
  QCOMPARE(w.profile.get(5, "rule"), std::string("No Rule Assigned"));
}

void EditorPanelsTest::containerPanels() {
  Window w;
  auto* outbound = new NewslettersPanel(w.services(), nullptr);
  {
    Host host(outbound);
    outbound->showBlock(3);
    host.edit(child<QLineEdit>(outbound, "txtOutboundTitle"), "Mailings");
    QCOMPARE(w.profile.get(3, "title"), std::string("Mailings"));
    savePicture(outbound, "newsletters_panel");
  }
  auto* inbound = new FiltersPanel(w.services(), nullptr);
  Host host(inbound);
  inbound->showBlock(4);
  QCOMPARE(child<QLineEdit>(inbound, "txtDelimiter")->text(), QString("~"));
  host.edit(child<QLineEdit>(inbound, "txtDelimiter"), "%");
  QCOMPARE(w.profile.get(4, "fielddelimiter"), std::string("%"));
  child<QCheckBox>(inbound, "chkBounce")->click();
  QCOMPARE(w.profile.get(4, "deactivate"), std::string("false"));
  child<QPushButton>(inbound, "cmdNewInbound")->click();
  QCOMPARE(w.reloads.back(), 5);
  QCOMPARE(w.profile.get(5, "title"), std::string("Filter_1"));
  QCOMPARE(w.filters.size(), std::size_t(1));
  savePicture(inbound, "filters_panel");
}

void EditorPanelsTest::dialogPictures() {
  SubjectsDialog subjects({"join gold", "gold list"}, nullptr);
  subjects.show();
  savePicture(&subjects, "frmSubjects");
  HtmlDialog html(
      "<TABLE cellSpacing=1 cellPadding=10 align=center bgColor=beige border=1>\n"
      "   <TR>\n       <TD align=center>",
      "Copy and Paste the above HTML to your Website Opt-In page.", nullptr);
  html.show();
  QApplication::processEvents();
  savePicture(&html, "frmHTML");
  DatePickerDialog picker({2026, 12, 5}, nullptr);
  picker.show();
  savePicture(&picker, "frmDate");

  // Subjects: "&OK" without a choice does nothing; "&Cancel" answers "!".
  ModalDriver driver;
  driver.then([](QWidget* dialog) {
    child<QPushButton>(dialog, "Command2")->click();
    QVERIFY(dialog->isVisible());
    child<QPushButton>(dialog, "Command1")->click();
  });
  QCOMPARE(SubjectsDialog::choose({"a", "b"}, nullptr), QString("!"));
}

}  // namespace tidewell::editor::ui

QTEST_MAIN(tidewell::editor::ui::EditorPanelsTest)
#include "editor_panels_test.moc"
