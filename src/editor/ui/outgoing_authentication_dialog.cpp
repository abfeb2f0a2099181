#include "editor/ui/outgoing_authentication_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "editor/ui/qt_text.h"

namespace tidewell::editor::ui {

OutgoingAuthenticationDialog::OutgoingAuthenticationDialog(ServerSettingsEditor& editor,
                                                           QWidget* parent)
    : QDialog(parent), m_editor(editor) {
  setObjectName("frmOutgoingAuthentication");
  setWindowTitle("Outgoing Mail Server");
  auto* group = new QGroupBox("Logon Information", this);
  m_option1 = new QRadioButton("Use same settings as my incoming mail server", group);
  m_option1->setObjectName("Option1");
  m_option2 = new QRadioButton("Log on using", group);
  m_option2->setObjectName("Option2");
  m_accountLabel = new QLabel("Account Name:", group);
  m_passwordLabel = new QLabel("Password:", group);
  m_text1 = new QLineEdit(group);
  m_text1->setObjectName("Text1");
  m_text2 = new QLineEdit(group);
  m_text2->setObjectName("Text2");
  m_text2->setEchoMode(QLineEdit::Password);
  m_check1 = new QCheckBox("Log on using Secure Password Authentication", group);
  m_check1->setObjectName("Check1");

  auto* grid = new QGridLayout(group);
  grid->addWidget(m_option1, 0, 0, 1, 2);
  grid->addWidget(m_option2, 1, 0, 1, 2);
  grid->addWidget(m_accountLabel, 2, 0);
  grid->addWidget(m_text1, 2, 1);
  grid->addWidget(m_passwordLabel, 3, 0);
  grid->addWidget(m_text2, 3, 1);
  grid->addWidget(m_check1, 4, 0, 1, 2);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("Command1");
  ok->setDefault(true);
  auto* cancelButton = new QPushButton("Cancel", this);
  cancelButton->setObjectName("Command2");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(buttons);

  connect(m_option1, &QRadioButton::clicked, this, [this] { showChoice(true); });
  connect(m_option2, &QRadioButton::clicked, this, [this] { showChoice(false); });
  connect(ok, &QPushButton::clicked, this, [this] { confirm(); });
  connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });

  OutgoingAuthenticationChoice start = m_editor.outgoingOnOpening();
  m_text1->setText(toQt(start.account));
  m_text2->setText(toQt(start.password));
  m_check1->setChecked(start.securePassword);
  showChoice(start.useIncomingAccount);
}

void OutgoingAuthenticationDialog::showChoice(bool useIncoming) {
  (useIncoming ? m_option1 : m_option2)->setChecked(true);
  // Disabled line edits take the palette's greyed background on their own.
  for (QWidget* w : {static_cast<QWidget*>(m_text1), static_cast<QWidget*>(m_text2),
                     static_cast<QWidget*>(m_check1), static_cast<QWidget*>(m_accountLabel),
                     static_cast<QWidget*>(m_passwordLabel)}) {
    w->setEnabled(!useIncoming);
  }
}

void OutgoingAuthenticationDialog::confirm() {
  OutgoingAuthenticationChoice choice{m_option1->isChecked(), toStd(m_text1->text()),
                                      toStd(m_text2->text()), m_check1->isChecked()};
  if (auto refusal = m_editor.confirmOutgoing(choice)) {
    QMessageBox::information(this, windowTitle(), toQt(*refusal));
    return;
  }
  accept();
}

void OutgoingAuthenticationDialog::cancel() {
  showChoice(true);
  reject();
}

}  // namespace tidewell::editor::ui
