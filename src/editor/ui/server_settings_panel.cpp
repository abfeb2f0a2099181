#include "editor/ui/server_settings_panel.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "editor/field_checks.h"
#include "editor/required_fields.h"
#include "editor/server_timeout.h"
#include "editor/ui/outgoing_authentication_dialog.h"
#include "editor/ui/qt_text.h"

namespace tidewell::editor::ui {

namespace {}  // namespace

ServerSettingsPanel::ServerSettingsPanel(const PanelServices& services, QWidget* parent)
    : PropertyPanel(services, parent), m_focus(new FocusEdits(this)) {
  m_frame = new QGroupBox(this);
  m_title = named(new QLineEdit, "txtCampaignTitle");
  auto* titleRow = new QFormLayout;
  titleRow->addRow("Project Title:", m_title);
  auto* tabs = new QTabWidget;
  tabs->addTab(buildGeneralTab(), "General");
  tabs->addTab(buildServerTab(), "Server");
  tabs->addTab(buildAdvancedTab(), "Advanced");
  tabs->addTab(buildSignInTab(), "Sign-in");
  auto* frameLayout = new QVBoxLayout(m_frame);
  frameLayout->addLayout(titleRow);
  frameLayout->addWidget(tabs);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_frame);
  connectFields();
}

QWidget* ServerSettingsPanel::buildSignInTab() {
  auto* tab = new QWidget;
  m_popSignIn = new OAuthSignInBox(services(), "pop", "Incoming Mail (Pop3)");
  m_smtpSignIn = new OAuthSignInBox(services(), "smtp", "Outgoing Mail (SMTP)");
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(m_popSignIn);
  layout->addWidget(m_smtpSignIn);
  layout->addStretch();
  return tab;
}

QWidget* ServerSettingsPanel::buildGeneralTab() {
  auto* tab = new QWidget;
  m_email = named(new QLineEdit, "txtEmail");
  m_reply = named(new QLineEdit, "txtReply");
  m_mins = named(new QComboBox, "List2");
  m_mins->setEditable(true);
  for (int i = 1; i <= 480; ++i) m_mins->addItem(QString::number(i));
  auto* form = new QFormLayout(tab);
  form->addRow("Email Address:", m_email);
  form->addRow("Reply Address:", m_reply);
  auto* interval = new QHBoxLayout;
  interval->addWidget(new QLabel("Check for new messages every"));
  interval->addWidget(m_mins);
  interval->addWidget(new QLabel("minute(s)"));
  interval->addStretch();
  form->addRow(interval);
  return tab;
}

QWidget* ServerSettingsPanel::buildServerTab() {
  auto* tab = new QWidget;
  m_pop3 = named(new QLineEdit, "txtPop3");
  m_smtp = named(new QLineEdit, "txtSMTP");
  m_account = named(new QLineEdit, "txtAccount");
  m_pass = named(new QLineEdit, "txtPass");
  m_pass->setEchoMode(QLineEdit::Password);
  m_popSpa = named(new QCheckBox("Log on using Secure Password Authentication"), "Check5");
  m_authentication = named(new QCheckBox("My server requires authentication"), "Check6");
  m_settingsButton = named(new QPushButton("Settings"), "Command2");
  m_incoming = named(new QComboBox, "cboIncoming");
  m_incoming->addItems({"POP3", "IMAP"});
  m_incoming->setToolTip(
      "IMAP reads the mailbox without disturbing it: only sign-ups, opt-outs and failure reports "
      "are marked or moved, the rest of your mail stays as it was");
  m_pop3Label = new QLabel("Incoming Mail (Pop3):");
  m_imapFolder = named(new QLineEdit, "txtImapFolder");
  m_imapDone = named(new QLineEdit, "txtImapDone");
  m_imapDone->setToolTip(
      "A keyword starting with $ marks handled messages where they are; any other name is a "
      "folder they are moved into");
  auto* form = m_serverForm = new QFormLayout(tab);
  form->addRow("Incoming Mail Server Type:", m_incoming);
  form->addRow(m_pop3Label, m_pop3);
  form->addRow("IMAP Folder:", m_imapFolder);
  form->addRow("Handled Messages:", m_imapDone);
  form->addRow("Outgoing Mail (SMTP):", m_smtp);
  form->addRow("Account Name:", m_account);
  form->addRow("Password:", m_pass);
  form->addRow(m_popSpa);
  auto* auth = new QHBoxLayout;
  auth->addWidget(m_authentication);
  auth->addWidget(m_settingsButton);
  auth->addStretch();
  form->addRow(auth);
  return tab;
}

QWidget* ServerSettingsPanel::buildAdvancedTab() {
  auto* tab = new QWidget;
  m_delete = named(new QCheckBox("Delete messages from server"), "Check2");
  m_delete->setToolTip("Deletes all emails from the server after checking");
  auto* ports = new QGroupBox("Server Port Numbers");
  m_popPort = named(new QLineEdit, "txtPopPort");
  m_smtpPort = named(new QLineEdit, "txtSMTPPort");
  m_popSsl = named(new QCheckBox("This server requires a secure connection (SSL)"), "Check8");
  m_smtpSsl = named(new QCheckBox("This server requires a secure connection (SSL)"), "Check7");
  m_imapPort = named(new QLineEdit, "txtImapPort");
  auto* popTrust = named(new QPushButton("Trust Certificate..."), "cmdTrustPop3");
  auto* smtpTrust = named(new QPushButton("Trust Certificate..."), "cmdTrustSmtp");
  popTrust->setToolTip("Shows the POP3 server's certificate; trust it when the system does not");
  smtpTrust->setToolTip("Shows the SMTP server's certificate; trust it when the system does not");
  connect(popTrust, &QPushButton::clicked, this, [this] { trustCertificate("pop3"); });
  connect(smtpTrust, &QPushButton::clicked, this, [this] { trustCertificate("smtp"); });
  auto withButton = [](QWidget* box, QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addWidget(box, 1);
    row->addWidget(button);
    return row;
  };
  auto* portForm = m_portForm = new QFormLayout(ports);
  portForm->addRow("Incoming Mail (POP3):", m_popPort);
  portForm->addRow("Incoming Mail (IMAP):", m_imapPort);
  portForm->addRow(withButton(m_popSsl, popTrust));
  portForm->addRow("Outgoing Mail (SMTP):", m_smtpPort);
  portForm->addRow(withButton(m_smtpSsl, smtpTrust));
  auto* timeouts = new QGroupBox("Server Timouts");
  m_slider = named(new QSlider(Qt::Horizontal), "Slider1");
  m_slider->setRange(0, kTimeoutPositions - 1);
  m_slider->setPageStep(1);
  m_slider->setTickPosition(QSlider::TicksBelow);
  m_timeoutLabel = named(new QLabel, "Label42");
  auto* timeoutGrid = new QGridLayout(timeouts);
  timeoutGrid->addWidget(new QLabel("Short"), 0, 0);
  timeoutGrid->addWidget(m_slider, 0, 1);
  timeoutGrid->addWidget(new QLabel("Long"), 0, 2);
  timeoutGrid->addWidget(m_timeoutLabel, 1, 1, Qt::AlignHCenter);
  m_verp = named(new QCheckBox("Tag the return path of newsletters (VERP)"), "chkVerp");
  m_verp->setToolTip(
      "Failure reports then name the subscriber; needs a provider that delivers list+tag "
      "addresses to the list's mailbox");
  auto* defaults = named(new QPushButton("Use Defaults"), "Command1");
  connect(defaults, &QPushButton::clicked, this, [this] { useDefaults(); });
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(m_delete);
  layout->addWidget(ports);
  layout->addWidget(timeouts);
  m_caps =
      new WholeNumberFields("Sending Limits (empty: none)",
                            {{"Messages per minute:", kCapPerMinute, "txtCapMinute"},
                             {"Messages per hour:", kCapPerHour, "txtCapHour"},
                             {"Messages per day:", kCapPerDay, "txtCapDay"},
                             {"SMTP connections at once (1-8):", kConnections, "txtConnections"}},
                            services());
  layout->addWidget(m_caps);
  layout->addWidget(m_verp);
  layout->addWidget(defaults, 0, Qt::AlignLeft);
  layout->addStretch();
  return tab;
}

ServerSettingsEditor& ServerSettingsPanel::editor() {
  if (!m_editor) {
    const PanelServices& s = services();
    m_editor =
        std::make_unique<ServerSettingsEditor>(*s.profile, *s.settings, *s.cipher, s.trap->clock());
  }
  return *m_editor;
}

void ServerSettingsPanel::connectFields() {
  auto text = [](QLineEdit* e) { return [e] { return e->text(); }; };
  m_focus->watch(m_title, text(m_title), [this](const QString& t, const QString& old) {
    editor().writeTitle(toStd(t), toStd(old));
  });
  m_focus->watch(m_email, text(m_email), [this](const QString& t, const QString& old) {
    // An empty address is the required-fields check's to report.
    if (!t.isEmpty() && refused(m_email, old, addressRefusal(toStd(t), "Email Address"))) return;
    editor().writeEmail(toStd(t), toStd(old));
  });
  m_focus->watch(m_reply, text(m_reply), [this](const QString& t, const QString& old) {
    if (!t.isEmpty() && refused(m_reply, old, addressRefusal(toStd(t), "Reply Address"))) return;
    editor().writeReply(toStd(t), toStd(old));
  });
  m_focus->watch(m_smtp, text(m_smtp), [this](const QString& t, const QString& old) {
    editor().writeSmtp(toStd(t), toStd(old));
  });
  m_focus->watch(m_account, text(m_account), [this](const QString& t, const QString& old) {
    editor().writeAccount(toStd(t), toStd(old));
  });
  m_focus->watch(m_pop3, text(m_pop3),
                 [this](const QString& t, const QString&) { editor().writePop3(toStd(t)); });
  m_focus->watch(m_pass, text(m_pass),
                 [this](const QString& t, const QString&) { editor().writePassword(toStd(t)); });
  m_focus->watch(m_popPort, text(m_popPort), [this](const QString& t, const QString& old) {
    if (refused(m_popPort, old, portRefusal(toStd(t), "Pop3"))) return;
    editor().writePopPort(toStd(t));
  });
  m_focus->watch(m_imapPort, text(m_imapPort), [this](const QString& t, const QString& old) {
    if (refused(m_imapPort, old, portRefusal(toStd(t), "IMAP"))) return;
    editor().writeImapPort(toStd(t));
  });
  m_focus->watch(m_imapFolder, text(m_imapFolder),
                 [this](const QString& t, const QString&) { editor().writeImapFolder(toStd(t)); });
  m_focus->watch(m_imapDone, text(m_imapDone),
                 [this](const QString& t, const QString&) { editor().writeImapDone(toStd(t)); });
  m_focus->watch(m_smtpPort, text(m_smtpPort), [this](const QString& t, const QString& old) {
    if (refused(m_smtpPort, old, portRefusal(toStd(t), "SMTP"))) return;
    editor().writeSmtpPort(toStd(t));
  });
  m_focus->watch(
      m_mins, [this] { return m_mins->currentText(); },
      [this](const QString& t, const QString&) { editor().writeMins(toStd(t)); });

  connect(m_title, &QLineEdit::textEdited, this,
          [this](const QString& t) { renameWhileTyping(t); });
  connect(m_incoming, &QComboBox::activated, this, [this](int choice) {
    editor().setImap(choice == 1);
    showIncoming(choice == 1);
  });
  connect(m_popSpa, &QCheckBox::clicked, this, [this](bool on) { editor().setPopSpa(on); });
  connect(m_popSsl, &QCheckBox::clicked, this, [this](bool on) { editor().setPopSsl(on); });
  connect(m_smtpSsl, &QCheckBox::clicked, this, [this](bool on) { editor().setSmtpSsl(on); });
  connect(m_delete, &QCheckBox::clicked, this, [this](bool on) { editor().setDeleteMessages(on); });
  connect(m_verp, &QCheckBox::clicked, this, [this](bool on) { editor().setVerp(on); });
  connect(m_authentication, &QCheckBox::clicked, this, [this](bool on) {
    editor().setServerAuthentication(on);
    m_settingsButton->setEnabled(on);
  });
  connect(m_settingsButton, &QPushButton::clicked, this, [this] { openOutgoingAuthentication(); });
  connect(m_slider, &QSlider::valueChanged, this, [this](int position) {
    m_timeoutLabel->setText(toQt(editor().setTimeoutPosition(position)));
  });
}

void ServerSettingsPanel::showBlock(int) {
  // The server settings are always block 2; a new profile needs a new editor.
  m_editor.reset();
  ServerSettingsView v = editor().view();
  showTitle(m_frame, toQt(v.title));
  m_title->setText(toQt(v.title));
  m_pop3->setText(toQt(v.pop3));
  m_smtp->setText(toQt(v.smtp));
  m_smtpPort->setText(toQt(v.smtpPort));
  m_popPort->setText(toQt(v.popPort));
  m_imapPort->setText(toQt(v.imapPort));
  m_imapFolder->setText(toQt(v.imapFolder));
  m_imapDone->setText(toQt(v.imapDone));
  m_incoming->setCurrentIndex(v.imap ? 1 : 0);
  showIncoming(v.imap);
  m_account->setText(toQt(v.account));
  m_pass->setText(toQt(v.password));
  m_mins->setEditText(toQt(v.mins));
  m_email->setText(toQt(v.email));
  m_reply->setText(toQt(v.reply));
  m_delete->setChecked(v.deleteMessages);
  m_verp->setChecked(v.verp);
  m_popSsl->setChecked(v.popSsl);
  m_smtpSsl->setChecked(v.smtpSsl);
  m_popSpa->setChecked(v.popSpa);
  m_authentication->setChecked(v.serverAuthentication);
  m_settingsButton->setEnabled(v.serverAuthentication);
  {
    // Showing the node writes nothing.
    QSignalBlocker quiet(m_slider);
    m_slider->setValue(v.timeoutPosition);
  }
  m_timeoutLabel->setText(toQt(timeoutCaption(v.timeoutPosition)));
  m_caps->refresh();
  m_popSignIn->showStored();
  m_smtpSignIn->showStored();
  m_focus->refreshOldText();
}

void ServerSettingsPanel::showIncoming(bool imap) {
  m_pop3Label->setText(imap ? "Incoming Mail (IMAP):" : "Incoming Mail (Pop3):");
  m_serverForm->setRowVisible(m_imapFolder, imap);
  m_serverForm->setRowVisible(m_imapDone, imap);
  m_portForm->setRowVisible(m_popPort, !imap);
  m_portForm->setRowVisible(m_imapPort, imap);
  m_delete->setToolTip(imap ? "Moves the sign-ups, opt-outs and failure reports it handled out of "
                              "the folder; never touches any other message"
                            : "Deletes all emails from the server after checking");
}

void ServerSettingsPanel::renameWhileTyping(const QString& text) {
  followTitle(m_frame, text);
}

QStringList ServerSettingsPanel::missingRequiredFields() const {
  RequiredServerFields f{toStd(m_pop3->text()), toStd(m_smtp->text()),  toStd(m_account->text()),
                         toStd(m_pass->text()), toStd(m_email->text()), toStd(m_reply->text())};
  return toQt(editor::missingRequiredFields(f));
}

bool ServerSettingsPanel::refused(QLineEdit* field, const QString& oldText,
                                  const std::optional<FieldRefusal>& refusal) {
  // A value left as it was is not judged again.
  if (!refusal || field->text() == oldText) return false;
  // Nothing is written; the field shows what is stored and waits for a better value.
  QMessageBox::warning(this, toQt(refusal->caption), toQt(refusal->message));
  field->setText(oldText);
  field->setFocus();
  field->selectAll();
  return true;
}

void ServerSettingsPanel::trustCertificate(const std::string& account) {
  if (services().trustCertificate) services().trustCertificate(account);
}

void ServerSettingsPanel::openOutgoingAuthentication() {
  OutgoingAuthenticationDialog dialog(editor(), this);
  dialog.exec();
}

void ServerSettingsPanel::useDefaults() {
  editor().useDefaults();
  m_smtpPort->setText("25");
  m_popPort->setText("110");
  if (m_incoming->currentIndex() == 1) m_imapPort->setText("143");
  m_popSsl->setChecked(false);
  m_smtpSsl->setChecked(false);
  QSignalBlocker quiet(m_slider);
  m_slider->setValue(1);
  m_timeoutLabel->setText(toQt(timeoutCaption(1)));
}

}  // namespace tidewell::editor::ui
