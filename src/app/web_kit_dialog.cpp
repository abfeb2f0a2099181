#include "web_kit_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/web_kit.h"
#include "store/date_text.h"

namespace tidewell::app {

WebKitDialog::WebKitDialog(store::ProfileStore& profile, store::PasswordCipher& cipher,
                           const store::Clock& clock, store::CampaignProperties& settings,
                           QWidget* parent)
    : QDialog(parent),
      m_profile(profile),
      m_cipher(cipher),
      m_clock(clock),
      m_settings(settings),
      m_folder(new QLineEdit(this)),
      m_result(new QLabel(this)) {
  setObjectName("frmWebKit");
  setWindowTitle("Web Kit");
  auto* intro = new QLabel(
      "Writes the pages your web site needs for the sign-up form and the opt-out links of this "
      "profile, with their configuration, into a folder on this computer.");
  intro->setWordWrap(true);
  m_folder->setObjectName("txtKitFolder");
  m_folder->setText(QDir::home().filePath("tidewell-web-kit"));
  auto* browse = new QPushButton("Browse...");
  browse->setObjectName("cmdBrowseKit");
  auto* write = new QPushButton("Write Kit");
  write->setObjectName("cmdWriteKit");
  write->setDefault(true);
  auto* close = new QPushButton("Close");
  close->setObjectName("cmdCloseKit");
  m_result->setObjectName("lblKitResult");
  m_result->setWordWrap(true);
  m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_result->setMinimumHeight(120);
  m_result->setAlignment(Qt::AlignTop | Qt::AlignLeft);

  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(new QLabel("Folder:"));
  folderRow->addWidget(m_folder, 1);
  folderRow->addWidget(browse);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(write);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addLayout(folderRow);
  layout->addWidget(m_result, 1);
  layout->addLayout(buttons);
  resize(560, 300);

  connect(browse, &QPushButton::clicked, this, [this] { chooseFolder(); });
  connect(write, &QPushButton::clicked, this, [this] { writeKit(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void WebKitDialog::chooseFolder() {
  QString folder =
      QFileDialog::getExistingDirectory(this, "Folder for the Web Kit", m_folder->text());
  if (!folder.isEmpty()) m_folder->setText(folder);
}

void WebKitDialog::writeKit() {
  editor::WrittenWebKit kit =
      editor::writeProfileWebKit(m_profile, m_cipher, store::shortDateText(m_clock.today()),
                                 m_folder->text().trimmed().toStdString());
  if (kit.problem) {
    m_result->setText(QString::fromStdString(*kit.problem));
    return;
  }
  // Newsletters sent from now on carry links the written kit accepts.
  m_settings.webkitkey = kit.secret;
  m_settings.webkit = editor::kitAddressOf(m_profile.load()).address;
  m_result->setText(QString::fromStdString(kit.uploadText));
}

}  // namespace tidewell::app
