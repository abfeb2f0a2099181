#include "new_profile_wizard.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>
#include <algorithm>

#include "store/address_check.h"

namespace tidewell::app {

namespace {

constexpr int kPageCount = 5;
const char* const kNextCaption = "&Next >";
const char* const kFinishCaption = "&Finish";

}  // namespace

NewProfileWizard::NewProfileWizard(store::SettingsFile& settings, store::PasswordCipher& cipher,
                                   QWidget* parent)
    : QDialog(parent),
      m_settings(settings),
      m_cipher(cipher),
      m_heading(new QLabel(this)),
      m_pages(new QStackedWidget(this)),
      m_back(new QPushButton(QStringLiteral("< &Back"), this)),
      m_next(new QPushButton(QString::fromUtf8(kNextCaption), this)),
      m_title(makeField("txtProfile")),
      m_email(makeField("txtEmail")),
      m_reply(makeField("txtReply")),
      m_pop(makeField("txtPop")),
      m_smtp(makeField("txtSMTP")),
      m_account(makeField("txtAccount")),
      m_password(makeField("txtPassword")) {
  setObjectName("frmNewProfile");
  setWindowTitle(QStringLiteral("New Profile"));
  m_heading->setObjectName("Label1");
  QFont font = m_heading->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.4);
  m_heading->setFont(font);
  m_pages->setObjectName("Frame1");
  m_back->setObjectName("Command1_0");
  m_next->setObjectName("Command1_1");
  m_next->setDefault(true);
  m_password->setEchoMode(QLineEdit::Password);

  m_pages->addWidget(
      makePage(1, tr("Name the profile. The title names the profile's files and heads its tree."),
               {{tr("Profile Title:"), m_title}}));
  m_titleHint = addHint(m_pages->widget(0), "lblTitleHint");
  m_pages->addWidget(
      makePage(2, tr("The address your newsletters come from, and the address replies go to."),
               {{tr("Email Address:"), m_email}, {tr("Reply Address:"), m_reply}}));
  m_addressHint = addHint(m_pages->widget(1), "lblAddressHint");
  QWidget* servers =
      makePage(3,
               tr("The servers of your mailbox: incoming mail (POP3 or IMAP) and outgoing "
                  "mail (SMTP). Pick IMAP when the list's address is also your everyday "
                  "mailbox: Tidewell then leaves every message it does not handle as it was."),
               {{tr("POP3 Server:"), m_pop}, {tr("SMTP Server:"), m_smtp}});
  addIncomingChoice(servers);
  m_pages->addWidget(servers);
  m_pages->addWidget(makePage(4, tr("The account name and password of your mailbox."),
                              {{tr("Account Name:"), m_account}, {tr("Password:"), m_password}}));
  m_pages->addWidget(makePage(
      5,
      tr("The profile is ready. Press Finish to create it; ports and security settings can be "
         "changed afterwards under Server Settings."),
      {}));

  auto* cancel = new QPushButton(tr("Cancel"), this);
  cancel->setObjectName("cmdCancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_back);
  buttons->addWidget(m_next);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_heading);
  layout->addWidget(m_pages, 1);
  layout->addLayout(buttons);
  resize(460, 260);

  // What the finished profile could not use is said at once, beside the field.
  connect(m_title, &QLineEdit::textEdited, this, &NewProfileWizard::titleTyped);
  for (QLineEdit* address : {m_email, m_reply}) {
    connect(address, &QLineEdit::editingFinished, this, &NewProfileWizard::addressLeft);
  }
  connect(m_back, &QPushButton::clicked, this, &NewProfileWizard::goBack);
  connect(m_next, &QPushButton::clicked, this, &NewProfileWizard::goNext);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  showPage(1);
}

void NewProfileWizard::titleTyped(const QString& text) {
  static const QString kRefused = QStringLiteral("/\t");
  QString kept;
  QChar refused;
  for (QChar c : text) {
    if (kRefused.contains(c)) {
      refused = c;
    } else {
      kept += c;
    }
  }
  // The line stays while the operator types on, so it can be read.
  if (refused.isNull()) return;
  // The title names the profile's files: a "/" would make it a path.
  int caret = m_title->cursorPosition() - static_cast<int>(text.size() - kept.size());
  m_title->setText(kept);
  m_title->setCursorPosition(std::max(caret, 0));
  m_titleHint->setText(refused == QLatin1Char('/')
                           ? tr("\"/\" is not allowed in a profile title.")
                           : tr("A TAB is not allowed in a profile title."));
}

void NewProfileWizard::addressLeft() {
  QStringList problems;
  for (auto [field, what] :
       {std::pair{m_email, tr("Email Address")}, {m_reply, tr("Reply Address")}}) {
    std::string text = field->text().toStdString();
    if (text.empty()) continue;
    if (std::optional<std::string> problem = store::addressProblem(text)) {
      problems << tr("%1: \"%2\" is not an e-mail address: it %3.")
                      .arg(what, field->text(), QString::fromStdString(*problem));
    }
  }
  m_addressHint->setText(problems.join('\n'));
}

QLineEdit* NewProfileWizard::makeField(const char* name) {
  auto* field = new QLineEdit(this);
  field->setObjectName(name);
  return field;
}

QWidget* NewProfileWizard::makePage(int page, const QString& help,
                                    const QList<QPair<QString, QLineEdit*>>& rows) {
  auto* frame = new QWidget(m_pages);
  frame->setObjectName(QStringLiteral("Frame1_%1").arg(page - 1));
  auto* layout = new QVBoxLayout(frame);
  auto* text = new QLabel(help, frame);
  text->setWordWrap(true);
  layout->addWidget(text);
  auto* form = new QFormLayout;
  for (const auto& [caption, field] : rows) form->addRow(caption, field);
  layout->addLayout(form);
  layout->addStretch();
  return frame;
}

void NewProfileWizard::addIncomingChoice(QWidget* page) {
  m_pop3Choice = new QRadioButton(tr("POP3"), page);
  m_pop3Choice->setObjectName("optPop3");
  m_pop3Choice->setChecked(true);
  m_imapChoice = new QRadioButton(tr("IMAP"), page);
  m_imapChoice->setObjectName("optImap");
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(tr("Incoming mail server type:"), page));
  row->addWidget(m_pop3Choice);
  row->addWidget(m_imapChoice);
  row->addStretch();
  static_cast<QVBoxLayout*>(page->layout())->insertLayout(1, row);
  QLabel* caption = nullptr;
  for (QLabel* label : page->findChildren<QLabel*>())
    if (label->buddy() == m_pop) caption = label;
  connect(m_imapChoice, &QRadioButton::toggled, this, [caption](bool imap) {
    if (caption) caption->setText(imap ? tr("IMAP Server:") : tr("POP3 Server:"));
  });
}

QLabel* NewProfileWizard::addHint(QWidget* page, const char* name) {
  auto* hint = new QLabel(page);
  hint->setObjectName(name);
  hint->setWordWrap(true);
  hint->setStyleSheet(QStringLiteral("color: #b00020;"));
  auto* layout = static_cast<QVBoxLayout*>(page->layout());
  layout->insertWidget(layout->count() - 1, hint);  // above the closing stretch
  return hint;
}

void NewProfileWizard::showPage(int page) {
  m_pages->setCurrentIndex(page - 1);
  m_heading->setText(QString::fromStdString(store::kWizardPageHeadings.at(page - 1)));
  m_back->setEnabled(page > 1);
  m_next->setText(QString::fromUtf8(page == kPageCount ? kFinishCaption : kNextCaption));
  if (QLineEdit* first = m_pages->currentWidget()->findChild<QLineEdit*>()) first->setFocus();
}

void NewProfileWizard::goBack() {
  if (page() > 1) showPage(page() - 1);
}

void NewProfileWizard::goNext() {
  if (page() == kPageCount) {
    finish();
    return;
  }
  if (auto refusal = store::checkWizardPage(page(), fields())) {
    refuse(*refusal);
    return;
  }
  showPage(page() + 1);
}

void NewProfileWizard::finish() {
  store::CreateProfileResult result = store::createProfile(fields(), m_settings, m_cipher);
  if (result.refusal) {
    refuse(*result.refusal);
    return;
  }
  if (!result.profilePath) return;  // the trap has shown why in the status bar and the log
  m_profilePath = *result.profilePath;
  m_profileSuccess = QStringLiteral("true");
  accept();
}

void NewProfileWizard::refuse(const store::WizardRefusal& refusal) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(refusal.caption),
                  QString::fromStdString(refusal.message), QMessageBox::Ok, this);
  box.exec();
  auto* field = findChild<QLineEdit*>(QString::fromStdString(refusal.field));
  if (!field) return;
  for (int i = 0; i < m_pages->count(); ++i) {
    if (m_pages->widget(i)->isAncestorOf(field)) showPage(i + 1);
  }
  field->setFocus();
}

store::NewProfileFields NewProfileWizard::fields() const {
  auto text = [](const QLineEdit* field) { return field->text().toStdString(); };
  return {text(m_title), text(m_email),   text(m_reply),    text(m_pop),
          text(m_smtp),  text(m_account), text(m_password), m_imapChoice->isChecked()};
}

}  // namespace tidewell::app
