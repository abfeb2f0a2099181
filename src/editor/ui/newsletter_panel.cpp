#include "editor/ui/newsletter_panel.h"

#include <QButtonGroup>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "editor/newsletter_move.h"
#include "editor/title_check.h"
#include "editor/ui/date_picker_dialog.h"
#include "editor/ui/qt_text.h"

namespace tidewell::editor::ui {

namespace {

QString documentsFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

// A file-open dialog the tests can drive; empty text when nothing was chosen.
QString chooseFile(QWidget* parent, const QString& title, const QString& filter,
                   const QString& folder) {
  return QFileDialog::getOpenFileName(parent, title, folder, filter, nullptr,
                                      QFileDialog::DontUseNativeDialog);
}

}  // namespace

NewsletterPanel::NewsletterPanel(const PanelServices& services, QWidget* parent)
    : PropertyPanel(services, parent), m_focus(new FocusEdits(this)) {
  m_frame = new QGroupBox(this);
  m_title = named(new QLineEdit, "txtNewsletterTitle");
  m_subject = named(new QLineEdit, "txtEmailSubject");
  m_location = named(new QLineEdit, "txtLocation");
  auto* browse = named(new QPushButton("Browse..."), "Command3");
  auto* edit = named(new QPushButton("Edit"), "Command7");
  m_attachments = named(new QListWidget, "lstAttachments");
  m_attachments->setMaximumHeight(90);
  auto* add = named(new QPushButton("&Add..."), "cmdAddFile");
  auto* remove = named(new QPushButton("&Remove"), "cmdRemove");
  m_follow = named(new QComboBox, "cboFollowRule");
  m_follow->installEventFilter(this);
  m_verify = named(new QCheckBox("Verified"), "chkVerify");
  m_verify->setToolTip(
      "Your own mark that this newsletter has been checked; sending does not depend on it");
  m_sent = named(new QLabel, "lblSent");

  auto* locationRow = new QHBoxLayout;
  locationRow->addWidget(m_location, 1);
  locationRow->addWidget(browse);
  locationRow->addWidget(edit);
  auto* attachButtons = new QVBoxLayout;
  attachButtons->addWidget(add);
  attachButtons->addWidget(remove);
  attachButtons->addStretch();
  auto* attachRow = new QHBoxLayout;
  attachRow->addWidget(m_attachments, 1);
  attachRow->addLayout(attachButtons);
  auto* preview = named(new QPushButton("&Preview / Send a Test..."), "cmdPreview");
  preview->setEnabled(static_cast<bool>(services.previewNewsletter));
  auto* sentRow = new QHBoxLayout;
  sentRow->addWidget(m_sent);
  sentRow->addStretch();
  sentRow->addWidget(preview);
  sentRow->addWidget(m_verify);

  auto* form = new QFormLayout(m_frame);
  form->addRow("Newsletter Title:", m_title);
  form->addRow("Email Subject:", m_subject);
  form->addRow("Email Location:", locationRow);
  form->addRow("Attachments:", attachRow);
  form->addRow("Follows Filter:", m_follow);
  form->addRow("Send:", buildSchedule());
  form->addRow("Times Sent:", sentRow);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_frame);
  layout->addStretch();

  connect(browse, &QPushButton::clicked, this, [this] { browseMessage(); });
  connect(edit, &QPushButton::clicked, this,
          [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(m_location->text())); });
  connect(add, &QPushButton::clicked, this, [this] { addAttachment(); });
  connect(preview, &QPushButton::clicked, this, [this] {
    commitPendingEdit();
    if (this->services().previewNewsletter) this->services().previewNewsletter(m_index);
  });
  connect(remove, &QPushButton::clicked, this, [this] { removeAttachment(); });
  connectFields();
}

QWidget* NewsletterPanel::buildSchedule() {
  auto* box = new QWidget;
  m_daysOption = named(new QRadioButton, "Option1");
  m_dateOption = named(new QRadioButton("Or on:"), "Option2");
  auto* group = new QButtonGroup(box);
  group->addButton(m_daysOption);
  group->addButton(m_dateOption);
  m_days = named(new QComboBox, "cboDays");
  m_days->setEditable(true);
  m_days->addItem("All");
  for (int i = 0; i <= 999; ++i) m_days->addItem(QString::number(i));
  m_dateText = named(new QLineEdit, "Text2");
  m_dateText->setReadOnly(true);
  m_setDate = named(new QPushButton("Set..."), "Command5");
  m_clearDate = named(new QPushButton("Clear"), "Command6");
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(m_daysOption, 0, 0);
  grid->addWidget(m_days, 0, 1);
  grid->addWidget(new QLabel("Days From Sign-Up"), 0, 2, 1, 2);
  grid->addWidget(m_dateOption, 1, 0);
  grid->addWidget(m_dateText, 1, 1);
  grid->addWidget(m_setDate, 1, 2);
  grid->addWidget(m_clearDate, 1, 3);
  return box;
}

void NewsletterPanel::watchLineKey(QWidget* field, std::function<QString()> read, const char* key) {
  m_focus->watch(field, std::move(read), [this, key](const QString& text, const QString& old) {
    if (m_editor) m_editor->lineUpdate(key, toStd(text), toStd(old));
  });
}

void NewsletterPanel::connectFields() {
  connect(m_title, &QLineEdit::textEdited, this,
          [this](const QString& text) { followTitle(m_frame, text); });
  m_focus->watch(
      m_title, [this] { return m_title->text(); },
      [this](const QString& text, const QString&) { leaveTitle(text); });
  watchLineKey(
      m_subject, [this] { return m_subject->text(); }, "subject");
  watchLineKey(
      m_location, [this] { return m_location->text(); }, "location");
  watchLineKey(
      m_days, [this] { return m_days->currentText(); }, "days");
  connect(m_daysOption, &QRadioButton::clicked, this, [this] { chooseDays(); });
  connect(m_dateOption, &QRadioButton::clicked, this, [this] { chooseDate(); });
  connect(m_setDate, &QPushButton::clicked, this, [this] { setDate(); });
  connect(m_clearDate, &QPushButton::clicked, this, [this] { clearDate(); });
  connect(m_verify, &QCheckBox::clicked, this, [this](bool on) {
    if (m_editor) m_editor->setVerify(on);
  });
  connect(m_attachments, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    m_attachments->setToolTip(item ? item->text() : QString());
  });
  connect(m_follow, &QComboBox::activated, this, [this](int entry) { followChosen(entry); });
}

void NewsletterPanel::showBlock(int index) {
  m_index = index;
  store::ProfileStore& profile = *services().profile;
  m_editor = std::make_unique<NewsletterEditor>(profile, index);
  auto read = [&](const char* key) {
    std::string value = profile.GetFromFile_new(index, key);
    return value == store::kAbsent ? std::string() : value;
  };
  m_storedTitle = toQt(read("title"));
  showTitle(m_frame, m_storedTitle);
  m_title->setText(m_storedTitle);
  m_subject->setText(toQt(read("subject")));
  m_location->setText(toQt(read("location")));
  m_attachList = AttachmentList(read("attach"));
  showAttachments();
  m_days->setEditText(toQt(read("days")));
  m_verify->setChecked(read("verify") == "true");
  m_sent->setText(toQt(read("timessent")));
  showSchedule(readSchedule(profile, index));
  loadFollowChoices(read("rule"));
  m_focus->refreshOldText();
}

void NewsletterPanel::showAttachments() {
  m_attachments->clear();
  m_attachments->addItems(toQt(m_attachList.entries()));
}

void NewsletterPanel::showSchedule(const NewsletterSchedule& schedule) {
  (schedule.dateChosen ? m_dateOption : m_daysOption)->setChecked(true);
  m_dateText->setText(toQt(schedule.dateText));
  m_setDate->setEnabled(schedule.dateChosen);
  m_clearDate->setEnabled(schedule.dateChosen);
  m_days->setEnabled(!schedule.dateChosen);
}

void NewsletterPanel::loadFollowChoices(const std::string& rule) {
  std::vector<store::FilterRecord> none;
  const auto& filters = services().filterList ? services().filterList() : none;
  FollowChoices choices = LoadRules(filters, rule);
  m_filterIndexes = choices.filterIndexes;
  QSignalBlocker loading(m_follow);
  m_follow->clear();
  m_follow->addItems(toQt(choices.entries));
  m_follow->setCurrentIndex(choices.selected);
  if (choices.ruleUnknown && rule != kNoRuleAssigned) m_editor->writeNoRuleAssigned();
}

void NewsletterPanel::leaveTitle(const QString& text) {
  if (!m_editor) return;
  auto refusal = checkTitleOnLeave(
      TitledNode::Newsletter, toStd(text), toStd(m_storedTitle),
      [this](const std::string& line) { return services().profile->IsDuplicate(line); });
  if (!refusal) {
    if (text != m_storedTitle && m_editor->lineUpdate("title", toStd(text), toStd(m_storedTitle))) {
      m_storedTitle = text;
    }
    return;
  }
  QMessageBox::warning(this, toQt(refusal->caption), toQt(refusal->message));
  if (refusal->restoreOldTitle) {
    followTitle(m_frame, m_storedTitle);
    m_title->setText(m_storedTitle);
  }
  QTimer::singleShot(0, m_title, [title = m_title] { title->setFocus(Qt::OtherFocusReason); });
}

void NewsletterPanel::browseMessage() {
  QString old = m_location->text();
  QString chosen = chooseFile(this, "Select an email you wish to send",
                              "Supported Files (*.html *.htm *.txt);;HTML Files (*.html);;"
                              "HTM Files (*.htm);;Text Files (*.txt);;All Files (*)",
                              old.isEmpty() ? documentsFolder() : QFileInfo(old).absolutePath());
  if (!chosen.isEmpty()) m_location->setText(chosen);
  m_editor->lineUpdate("location", toStd(m_location->text()), toStd(old));
}

void NewsletterPanel::addAttachment() {
  QString path = chooseFile(this, "File to attach", "All files (*)", documentsFolder());
  if (path.isEmpty()) return;
  m_attachList = m_editor->addAttachment(m_attachList, toStd(path));
  m_attachments->addItem(path);
}

void NewsletterPanel::removeAttachment() {
  QListWidgetItem* item = m_attachments->currentItem();
  if (!item || !item->isSelected()) return;
  m_attachList = m_editor->removeAttachment(m_attachList, toStd(item->text()));
  showAttachments();
}

void NewsletterPanel::chooseDays() {
  showSchedule(m_editor->chooseDays(toStd(m_dateText->text())));
}

void NewsletterPanel::chooseDate() {
  bool pickNow = m_editor->chooseDate(toStd(m_dateText->text()));
  showSchedule({true, toStd(m_dateText->text())});
  if (pickNow) setDate();
}

void NewsletterPanel::setDate() {
  std::string shown = toStd(m_dateText->text());
  auto picked = DatePickerDialog::pick(services().trap->clock().today(), this);
  NewsletterSchedule schedule = m_editor->applyPickedDate(shown, picked);
  showSchedule(schedule);
  if (!schedule.dateChosen) m_daysOption->setFocus();
}

void NewsletterPanel::clearDate() {
  showSchedule(m_editor->clearDate(toStd(m_dateText->text())));
  m_daysOption->setFocus();
}

void NewsletterPanel::followChosen(int entry) {
  m_focus->commitFocused();
  auto moved = move_newsletter(*services().profile, m_index, entry, m_filterIndexes);
  if (!moved) return;
  if (services().rebuildFilterList) services().rebuildFilterList();
  if (services().reloadTree) services().reloadTree(*moved);
  m_follow->setFocus();
  QSignalBlocker loading(m_follow);
  m_follow->setCurrentIndex(entry);
}

bool NewsletterPanel::eventFilter(QObject* watched, QEvent* event) {
  // Entries are only picked from the list: typing must not jump to another filter.
  if (watched == m_follow && event->type() == QEvent::KeyPress) {
    int key = static_cast<QKeyEvent*>(event)->key();
    bool allowed = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Return ||
                   key == Qt::Key_Enter || key == Qt::Key_Tab || key == Qt::Key_Backtab;
    if (!allowed) return true;
  }
  return PropertyPanel::eventFilter(watched, event);
}

}  // namespace tidewell::editor::ui
