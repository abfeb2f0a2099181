// Qt Test cases of the editor's panels and dialogs on the offscreen platform: fields write when
// they lose the focus, the title rules, the rule editor, the field grids, the newsletter panel
// and the outgoing-authentication dialog.
#include <QCheckBox>
#include <QComboBox>
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

#include "editor/ui/filter_panel.h"
#include "editor/ui/filters_panel.h"
#include "editor/ui/newsletter_panel.h"
#include "editor/ui/newsletters_panel.h"
#include "editor/ui/rule_editor_dialog.h"
#include "editor/ui/server_settings_panel.h"
#include "editor/ui/subjects_dialog.h"
#include "editor_fixture.h"
#include "modal_script.h"

namespace tidewell::editor::ui {
namespace {

using editor::testing::EditorProfile;
using tidewell::testing::child;
using tidewell::testing::clickLater;
using tidewell::testing::ModalScript;

// A panel in a top-level window with a field to move the focus to, on services like the main
// window's that record what the panel asks of them.
template <class P>
struct Bench {
  EditorProfile profile;
  store::CampaignProperties settings;
  editor::testing::TaggingCipher cipher;
  std::vector<store::FilterRecord> filters;
  std::vector<std::pair<std::string, std::string>> renames;
  std::vector<std::string> statuses;
  std::vector<int> reloads;
  std::function<void(int)> onReload;
  QWidget host;
  P* panel = new P(services(), &host);
  QLineEdit* sink = new QLineEdit(&host);

  Bench() {
    auto* layout = new QVBoxLayout(&host);
    layout->addWidget(panel);
    layout->addWidget(sink);
    host.resize(760, 640);
    QVERIFY(tidewell::testing::showActive(&host));
  }
  PanelServices services() {
    PanelServices s;
    s.profile = &profile.store;
    s.trap = &profile.trap;
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
  void show(int block) {
    filters = profile.filters();
    panel->showBlock(block);
  }
  template <class W = QWidget>
  W* find(const char* name) {
    return child<W>(panel, name);
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
  void edit(const char* field, const QString& text) { edit(find<QLineEdit>(field), text); }
  // A closed modal dialog does not hand the activation back on the offscreen platform.
  void activate() {
    host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host));
  }
  void leave() {
    sink->setFocus();
    QApplication::processEvents();
  }
};

}  // namespace

class EditorPanelsTest : public QObject {
  Q_OBJECT

 private slots:
  void serverSettingsFieldsSwitchesAndDefaults() {
    Bench<ServerSettingsPanel> b;
    b.show(2);
    QCOMPARE(b.find<QLineEdit>("txtPass")->text(), "secret");
    // Each field writes the file and the settings the engine sends with.
    const std::tuple<const char*, const char*, const char*, const char*, std::string*> edits[] = {
        {"txtSMTP", "mail.example.org", "smtp", "mail.example.org", &b.settings.smtp},
        {"txtPop3", "pop.example.org", "pop3", "pop.example.org", nullptr},
        {"txtPass", "n3w", "pass", "ENC(n3w,12/5/2026)", &b.settings.password},
        {"txtSMTPPort", "587", "SMTPPort", "587", &b.settings.smtp_port}};
    for (auto [field, typed, key, stored, setting] : edits) {
      b.edit(field, typed);
      QCOMPARE(b.profile.get(2, key), stored);
      if (setting) QCOMPARE(*setting, typed);
    }

    // The tree follows the title while it is typed; the file when it is left.
    b.edit("txtCampaignTitle", "Mail");
    QVERIFY(!b.renames.empty());
    QCOMPARE(b.renames.front().first, "Server Settings");
    QCOMPARE(b.renames.back().second, "Mail");
    QCOMPARE(b.profile.get(2, "title"), "Mail");
    QCOMPARE(b.profile.get(3, "parent"), "Mail");

    for (auto [box, key, stored] : {std::tuple{"Check8", "POPSSL", "1"},
                                    {"Check2", "delete", "true"},
                                    {"chkVerp", "verp", "true"}}) {
      b.find<QCheckBox>(box)->click();
      QCOMPARE(b.profile.get(2, key), stored);
    }
    QVERIFY(b.settings.POPSSL == 1 && b.settings.verp);
    b.find<QSlider>("Slider1")->setValue(9);
    QCOMPARE(b.profile.get(2, "server_timeout"), "300");
    QCOMPARE(b.find<QLabel>("Label42")->text(), "5 minutes");
    b.find<QPushButton>("Command1")->click();
    // The widgets show what the defaults wrote.
    QCOMPARE(b.find<QSlider>("Slider1")->value(), 1);
    QVERIFY(!b.find<QCheckBox>("Check8")->isChecked());
    b.edit("txtCapHour", "100");
    QCOMPARE(b.profile.get(2, "caphour"), "100");
    b.edit("txtCapHour", "-5");  // refused: the stored value comes back
    QCOMPARE(b.profile.get(2, "caphour"), "100");
    QCOMPARE(b.find<QLineEdit>("txtCapHour")->text(), "100");
    // Showing the node again writes nothing.
    std::vector<std::string> before = b.profile.lines();
    b.panel->showBlock(2);
    QCOMPARE(b.profile.lines(), before);
  }

  void signInTabPresetsAndMethod() {
    Bench<ServerSettingsPanel> b;
    b.settings.pop_oauth2 = true;
    b.settings.pop_oauth.provider = "Other";
    b.settings.pop_oauth.client_id = "client-1";
    b.show(2);
    auto* popMethod = b.find<QComboBox>("cboPopAuth");
    QCOMPARE(popMethod->currentText(), "OAuth2");
    QVERIFY(b.find<QPushButton>("cmdPopSignIn")->isEnabled());
    QVERIFY(!b.find<QPushButton>("cmdSmtpSignIn")->isEnabled());
    QCOMPARE(b.profile.get(2, "popauth"), "!");  // showing wrote nothing
    auto* box = b.find<QPushButton>("cmdPopSignIn")->parentWidget();
    auto* provider = box->findChildren<QComboBox*>().at(1);
    provider->setCurrentText("Google");
    auto edits = box->findChildren<QLineEdit*>();
    QCOMPARE(edits.at(0)->text(), "https://accounts.google.com/o/oauth2/v2/auth");
    QCOMPARE(edits.at(4)->text(), "https://mail.google.com/");
    QCOMPARE(edits.at(2)->text(), "client-1");
    popMethod->setCurrentIndex(0);
    QCOMPARE(b.profile.get(2, "popauth"), "password");
    QVERIFY(!b.settings.pop_oauth2);
    QVERIFY(!b.find<QPushButton>("cmdPopSignIn")->isEnabled());
  }

  void outgoingAuthenticationDialog() {
    Bench<ServerSettingsPanel> b;
    b.settings.account = "ann";
    b.settings.password = "secret";
    b.show(2);
    auto* settingsButton = b.find<QPushButton>("Command2");
    QVERIFY(!settingsButton->isEnabled());
    b.find<QCheckBox>("Check6")->click();
    QVERIFY(settingsButton->isEnabled());
    QCOMPARE(b.profile.get(2, "smtp_account"), "ann");

    ModalScript script;
    script.onWidget("frmOutgoingAuthentication", [](QWidget* dialog) {
      QVERIFY(!child<QLineEdit>(dialog, "Text1")->isEnabled());
      child<QRadioButton>(dialog, "Option2")->click();
      child<QLineEdit>(dialog, "Text1")->setText("smtpuser");
      child<QLineEdit>(dialog, "Text2")->setText("pw");
      child<QCheckBox>(dialog, "Check1")->setChecked(true);
      clickLater(dialog, "Command1");
    });
    settingsButton->click();
    QVERIFY(script.done());
    QCOMPARE(b.profile.get(2, "ServerAuthentication"), "2");
    QCOMPARE(b.profile.get(2, "smtp_account"), "smtpuser");
    QCOMPARE(b.settings.smtp_password, "pw");

    // Cancel writes nothing.
    std::vector<std::string> before = b.profile.lines();
    ModalScript cancel;
    cancel.onWidget("frmOutgoingAuthentication", [](QWidget* dialog) {
      QCOMPARE(child<QLineEdit>(dialog, "Text1")->text(), "smtpuser");
      child<QRadioButton>(dialog, "Option1")->click();
      clickLater(dialog, "Command2");
    });
    settingsButton->click();
    QVERIFY(cancel.done());
    QCOMPARE(b.profile.lines(), before);
  }

  void filterTitleRules() {
    Bench<FilterPanel> b;
    int filter = b.profile.addFilter();
    int newsletter = b.profile.addNewsletter();
    b.show(filter);
    auto* title = b.find<QLineEdit>("txtRuleTitle");

    title->setFocus();
    title->end(false);
    QTest::keyClick(title, Qt::Key_Space);
    QCOMPARE(title->text(), "Filter_1");
    QCOMPARE(b.statuses.back(), "Space is not allowed!");
    QCOMPARE(title->cursorPosition(), 8);

    // Blank: refused, focus back in the box, nothing written.
    ModalScript script;
    script.answerBox(QMessageBox::Ok).answerBox(QMessageBox::Ok);
    title->selectAll();
    QTest::keyClick(title, Qt::Key_Delete);
    b.leave();
    QTRY_COMPARE(script.boxes(), QStringList{"Error!|Filter Title can't be blank!"});
    b.activate();
    QTRY_VERIFY(title->hasFocus());
    QCOMPARE(b.profile.get(filter, "title"), "Filter_1");

    // The title of a newsletter, in another case: refused, old title back.
    b.profile.setTitle(newsletter, "New_Newsletter");
    b.edit(title, "new_newsletter");
    QTRY_COMPARE(script.boxes().size(), 2);
    QCOMPARE(script.boxes()[1],
             "Error!|A Filter\\Newsletter title you have entered already exists. "
             "Specify a different name.");
    QCOMPARE(title->text(), "Filter_1");

    // A new title goes to the file, the filter list and the tree.
    b.edit(title, "Gold_List");
    QCOMPARE(b.profile.get(filter, "title"), "Gold_List");
    QCOMPARE(b.filters.front().title, "Gold_List");
    QCOMPARE(b.renames.back().second, "Gold_List");
  }

  void filterTextBoxesAdvancedAndGrids() {
    Bench<FilterPanel> b;
    int first = b.profile.addFilter();
    b.profile.addFilter();
    b.show(first);
    b.edit("txtDisplay", "Gold News");
    QCOMPARE(b.profile.get(first, "displayname"), "Gold News");
    QCOMPARE(b.filters.front().displayname, "Gold News");
    b.edit("txtExtractToName", "~name~");
    QCOMPARE(b.profile.get(first, "toname"), "~name~");

    // Which filters the dialog offers is the editor's test.
    ModalScript script;
    script.onWidget("frmFilterAdvanced", [&](QWidget* dialog) {
      child<QComboBox>(dialog, "cboFilters")->setCurrentIndex(1);
      clickLater(dialog, "cmdOK");
    });
    b.find<QPushButton>("cmdFilterAdvanced")->click();
    QVERIFY(script.done());
    QCOMPARE(b.profile.get(first, "autounsubscribe"), "Filter_2");

    b.activate();
    auto* fields = b.find<QTableWidget>("personal_fields");
    QVERIFY(!(fields->item(0, 0)->flags() & Qt::ItemIsEditable));  // "email" stays

    // Refused characters never reach the cell.
    fields->setCurrentCell(2, 0);
    fields->editItem(fields->item(2, 0));
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClicks(editor, "Ci_ty");
    QCOMPARE(editor->text(), "ity");
    QTest::keyClick(editor, Qt::Key_Return);  // commits through a queued call
    QTRY_COMPARE(fields->item(2, 0)->text(), "ity");

    // Without a caption the field cannot be made active.
    fields->item(2, 2)->setCheckState(Qt::Checked);
    QCOMPARE(fields->item(2, 2)->checkState(), Qt::Unchecked);
    fields->item(2, 1)->setText("City");
    fields->item(2, 2)->setCheckState(Qt::Checked);
    QCOMPARE(fields->item(2, 2)->checkState(), Qt::Checked);
    QVERIFY(b.profile.get(first, "fields")
                .rfind("email:Email Address:on,name:Name:on,ity:City:on,", 0) == 0);
    QCOMPARE(b.filters.front().fieldTable[2].inputName, "input3");

    // An extract key needs its text, its end and its field before it can be made active.
    auto* keys = b.find<QTableWidget>("personal_fields2");
    keys->item(0, 0)->setText("Name:");
    keys->item(0, 3)->setCheckState(Qt::Checked);
    QCOMPARE(keys->item(0, 3)->checkState(), Qt::Unchecked);
    keys->item(0, 1)->setText("' ' (Space)");
    QCOMPARE(keys->item(0, 1)->text(), " ");
    // The target column offers the active fields.
    keys->setCurrentCell(0, 2);
    keys->editItem(keys->item(0, 2));
    auto* choices = keys->findChild<QComboBox*>();
    QVERIFY(choices);
    QCOMPARE(choices->itemText(2), "Name (name)");
    QCOMPARE(choices->itemText(3), "City (ity)");
    choices->setCurrentIndex(2);
    keys->setCurrentCell(1, 0);  // leaves the cell: the choice is committed
    QCOMPARE(keys->item(0, 2)->text(), "Name (name)");
    keys->item(0, 3)->setCheckState(Qt::Checked);
    QCOMPARE(keys->item(0, 3)->checkState(), Qt::Checked);
    auto stored = store::parseExtractKeys(b.profile.get(first, "extractkeys"));
    QCOMPARE(stored[0].until, " ");
    QCOMPARE(stored[0].targetName, "name");
  }

  void ruleEditorMessagesAndCaption() {
    EditorProfile profile;
    int filter = profile.addFilter();
    RuleEditorDialog dialog(profile.store, filter, nullptr);
    dialog.show();
    auto* confirm = child<QPushButton>(&dialog, "Command3");
    auto* spec = child<QComboBox>(&dialog, "Combo1");
    auto* logic = child<QComboBox>(&dialog, "Combo2");
    auto* connector = child<QComboBox>(&dialog, "Combo3");
    QCOMPARE(confirm->text(), "&OK");
    QVERIFY(!child<QPushButton>(&dialog, "Command1")->isEnabled());

    // The rule editor's own tests hold the refusals; here they reach a box and the caption.
    ModalScript script;
    script.answerBox(QMessageBox::Ok);
    confirm->click();  // nothing typed, no rules
    spec->setCurrentIndex(1);
    emit spec->activated(1);  // Body
    QCOMPARE(logic->currentText(), "Has");
    QVERIFY(!logic->isEnabled());
    QCOMPARE(confirm->text(), "&Update");
    QTest::keyClicks(child<QLineEdit>(&dialog, "Text1"), "   join");
    connector->setCurrentIndex(1);
    emit connector->activated(1);  // Or
    confirm->click();              // "&Update": accepted although the connector trails
    QCOMPARE(profile.get(filter, "rule1"), "<1<Body>1> <2<Has>2> <3<   join>3> <4<Or>4>");
    QCOMPARE(confirm->text(), "&OK");
    QCOMPARE(script.boxes(), QStringList{"Tidewell|Rule required for this rule!"});
  }

  void newsletterSubjectAttachmentsAndDate() {
    Bench<NewsletterPanel> b;
    int n = b.profile.addNewsletter();
    b.show(n);
    b.edit("txtEmailSubject", "Welcome ~name~");
    QCOMPARE(b.profile.get(n, "subject"), "Welcome ~name~");

    tidewell::testing::writeBytes(b.profile.folder / "a.pdf", "%PDF");
    QString attachment = QString::fromStdString((b.profile.folder / "a.pdf").string());
    ModalScript script;
    script.then([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      if (!dialog || dialog->windowTitle() != "File to attach") return false;
      child<QLineEdit>(dialog, "fileNameEdit")->setText(attachment);
      QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
      return true;
    });
    b.find<QPushButton>("cmdAddFile")->click();
    QVERIFY(script.done());
    QCOMPARE(b.profile.get(n, "attach"), attachment.toStdString() + ",");
    auto* list = b.find<QListWidget>("lstAttachments");
    list->setCurrentRow(0);
    b.find<QPushButton>("cmdRemove")->click();
    QCOMPARE(list->count(), 0);
    QCOMPARE(b.profile.get(n, "attach"), "");

    auto* dateOption = b.find<QRadioButton>("Option2");
    auto* days = b.find<QComboBox>("cboDays");
    auto* setButton = b.find<QPushButton>("Command5");
    auto pick = [&](const char* button) {
      ModalScript script;
      script.onWidget("frmDate", [button](QWidget* picker) { clickLater(picker, button); });
      dateOption->click();
      QVERIFY(script.done());
    };
    auto modeIs = [&](const std::string& mode) {
      QCOMPARE(b.profile.get(n, "dateordays"), mode);
      QCOMPARE(days->isEnabled(), mode == "days");
      QCOMPARE(setButton->isEnabled(), mode == "date");
    };
    // No date yet: the picker opens at once; cancelling stays on days.
    pick("cmdCancel");
    QVERIFY(b.find<QRadioButton>("Option1")->isChecked());
    modeIs("days");
    pick("cmdOK");
    QCOMPARE(b.find<QLineEdit>("Text2")->text(), "Dec 5, 2026");
    QCOMPARE(b.profile.get(n, "date"), "Dec 5, 2026");
    modeIs("date");
    b.find<QPushButton>("Command6")->click();  // Clear
    QCOMPARE(b.profile.get(n, "date"), "date not set");
    modeIs("days");

    b.activate();
    days->setFocus();
    QApplication::processEvents();
    days->setEditText("7");
    b.leave();
    QCOMPARE(b.profile.get(n, "days"), "7");
  }

  void newsletterFollowsFilter() {
    Bench<NewsletterPanel> b;
    b.profile.addFilter();
    b.profile.addFilter();
    b.onReload = [&b](int index) { b.panel->showBlock(index); };
    b.show(b.profile.addNewsletter());
    auto* follow = b.find<QComboBox>("cboFollowRule");
    QCOMPARE(follow->currentText(), "No Rule Assigned");
    follow->setFocus();
    QTest::keyClick(follow, 'F');  // typing never picks an entry
    QCOMPARE(follow->currentIndex(), 0);

    follow->setCurrentIndex(2);
    emit follow->activated(2);
    QCOMPARE(b.reloads.back(), 7);
    QCOMPARE(b.profile.get(7, "rule"), "Filter_2");
    QCOMPARE(follow->currentText(), "Filter_2");
    QCOMPARE(b.find<QLineEdit>("txtNewsletterTitle")->text(), "New Newsletter #1");
  }

  void containerPanels() {
    {
      Bench<NewslettersPanel> b;
      b.show(3);
      b.edit("txtOutboundTitle", "Mailings");
      QCOMPARE(b.profile.get(3, "title"), "Mailings");
      QCOMPARE(b.find<QLineEdit>("txtCatchUp")->text(), "");  // absent: no catch-up
      b.edit("txtCatchUp", "3");
      QCOMPARE(b.profile.get(3, "catchup"), "3");
    }
    Bench<FiltersPanel> b;
    b.show(4);
    QCOMPARE(b.find<QLineEdit>("txtDelimiter")->text(), "~");
    b.edit("txtDelimiter", "%");
    QCOMPARE(b.profile.get(4, "fielddelimiter"), "%");
    b.find<QCheckBox>("chkBounce")->click();
    QCOMPARE(b.profile.get(4, "deactivate"), "false");
    b.find<QPushButton>("cmdNewInbound")->click();
    QCOMPARE(b.reloads.back(), 5);
    QCOMPARE(b.profile.get(5, "title"), "Filter_1");
    QCOMPARE(b.filters.size(), std::size_t(1));
  }

  void subjectsDialog() {
    // Subjects: "&OK" without a choice does nothing; "&Cancel" answers "!".
    ModalScript script;
    script.onWidget("frmSubjects", [](QWidget* dialog) {
      child<QPushButton>(dialog, "Command2")->click();
      QVERIFY(dialog->isVisible());
      clickLater(dialog, "Command1");
    });
    QCOMPARE(SubjectsDialog::choose({"a", "b"}, nullptr), "!");
  }
};

}  // namespace tidewell::editor::ui

QTEST_MAIN(tidewell::editor::ui::EditorPanelsTest)
#include "editor_panels_test.moc"
