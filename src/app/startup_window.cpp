#include "startup_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "new_profile_wizard.h"
#include "open_profile_dialog.h"
#include "window_rules.h"

namespace tidewell::app {

StartupWindow::StartupWindow(store::SettingsFile& settings, store::PasswordCipher& cipher,
                             std::filesystem::path startFolder, QWidget* parent)
    : QDialog(parent),
      m_settings(settings),
      m_cipher(cipher),
      m_startFolder(std::move(startFolder)) {
  setObjectName("frmStartup");
  setWindowTitle(QString::fromStdString(programCaption()));
  auto* heading = new QLabel(QString::fromStdString(programCaption()), this);
  QFont font = heading->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.6);
  heading->setFont(font);
  auto* text =
      new QLabel(tr("Create a new profile for a mailing list, or open an existing one."), this);
  text->setWordWrap(true);

  auto* newButton = new QPushButton(tr("&New"), this);
  newButton->setObjectName("cmdNew");
  auto* openButton = new QPushButton(tr("&Open"), this);
  openButton->setObjectName("cmdOpen");
  auto* quitButton = new QPushButton(tr("&Quit"), this);
  quitButton->setObjectName("cmdQuit");
  newButton->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(newButton);
  buttons->addWidget(openButton);
  buttons->addStretch();
  buttons->addWidget(quitButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(text);
  layout->addStretch();
  layout->addLayout(buttons);
  resize(400, 160);

  connect(newButton, &QPushButton::clicked, this, &StartupWindow::cmdNew_Click);
  connect(openButton, &QPushButton::clicked, this, &StartupWindow::cmdOpen_Click);
  connect(quitButton, &QPushButton::clicked, this, &StartupWindow::cmdQuit_Click);
}

void StartupWindow::cmdNew_Click() {
  NewProfileWizard wizard(m_settings, m_cipher, this);
  wizard.exec();
  if (wizard.profileSuccess() == QLatin1String("true")) accept();
}

void StartupWindow::cmdOpen_Click() {
  if (s_load_dat_file(this, m_settings, m_startFolder)) accept();
}

void StartupWindow::cmdQuit_Click() {
  m_quit = true;
  QDialog::reject();
}

void StartupWindow::reject() {
  // Closing the window leaves the program like Quit: the loop cannot go on without a profile.
  cmdQuit_Click();
}

}  // namespace tidewell::app
