#include "certificate_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "store/error.h"
#include "thread_transfer_runner.h"
#ifdef TIDEWELL_NET_MAIL
#include "mail/certificate_trust.h"
#endif

namespace tidewell::app {

namespace {

QString serverName(const std::string& account) {
  return account == "pop3" ? QStringLiteral("Pop3") : QStringLiteral("SMTP");
}

}  // namespace

CertificateDialog::CertificateDialog(store::ProfileStore& profile,
                                     store::CampaignProperties& settings, std::string account,
                                     Fetcher fetch, QWidget* parent)
    : QDialog(parent),
      m_profile(profile),
      m_settings(settings),
      m_account(std::move(account)),
      m_fetch(std::move(fetch)),
      m_heading(new QLabel(this)),
      m_details(new QPlainTextEdit(this)),
      m_verdict(new QLabel(this)),
      m_trust(new QPushButton(tr("&Trust This Certificate"), this)) {
  setObjectName("frmCertificate");
  setWindowTitle(tr("%1 Server Certificate").arg(serverName(m_account)));
  m_heading->setObjectName("lblHeading");
  m_heading->setWordWrap(true);
  m_details->setObjectName("txtCertificate");
  m_details->setReadOnly(true);
  m_details->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_verdict->setObjectName("lblVerdict");
  m_verdict->setWordWrap(true);
  m_trust->setObjectName("cmdTrust");
  m_trust->setEnabled(false);
  auto* close = new QPushButton(tr("&Close"), this);
  close->setObjectName("cmdClose");
  close->setDefault(true);
  connect(m_trust, &QPushButton::clicked, this, &CertificateDialog::cmdTrust_Click);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_trust);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_heading);
  layout->addWidget(m_details, 1);
  layout->addWidget(m_verdict);
  layout->addLayout(buttons);
  resize(620, 300);
}

bool CertificateDialog::fetch() {
  std::string error;
  m_certificate.reset();
  try {
    m_target = engine::certificateTargetOf(m_settings, m_account);
    m_certificate = m_fetch(*m_target, error);
  } catch (...) {
    error = store::currentError().description;
  }
  if (!m_certificate) {
    m_heading->setText(
        tr("No certificate could be read from the %1 server.").arg(serverName(m_account)));
    m_details->setPlainText(QString::fromStdString(error));
    m_verdict->clear();
    m_trust->setEnabled(false);
    return false;
  }
  m_heading->setText(tr("The %1 server %2 (port %3) presents this certificate:")
                         .arg(serverName(m_account), QString::fromStdString(m_target->host))
                         .arg(m_target->port));
  QString details = QString::fromStdString(mail::certificateText(*m_certificate));
  m_details->setPlainText(details);
  // The fingerprint is compared character by character: it shows whole.
  int widest = 0;
  for (const QString& line : details.split('\n')) {
    widest = std::max(widest, m_details->fontMetrics().horizontalAdvance(line));
  }
  resize(std::max(width(), widest + 60), height());
  const std::string& pinned =
      m_account == "pop3" ? m_settings.pop_certificate : m_settings.smtp_certificate;
  if (!pinned.empty() && mail::normalFingerprint(pinned) == m_certificate->sha256) {
    m_verdict->setText(tr("This is the certificate trusted for this server in this profile."));
  } else if (!pinned.empty()) {
    m_verdict->setText(
        tr("This is NOT the certificate trusted for this server before: the "
           "server's certificate has changed. Trust it only if you know why."));
  } else if (m_certificate->problem.empty()) {
    m_verdict->setText(tr("The system trusts this certificate; nothing needs to be done."));
  } else {
    m_verdict->setText(
        tr("Tidewell refuses this server because its certificate is not "
           "trusted. Trust it only if it is your server's own certificate: "
           "compare the fingerprint with the one your provider gives."));
  }
  m_trust->setEnabled(true);
  return true;
}

void CertificateDialog::cmdTrust_Click() {
  if (!m_certificate || !m_target) return;
  if (!engine::trustCertificate(m_profile, m_settings, *m_target, m_certificate->sha256)) return;
  emit statusText(tr("The %1 server's certificate is trusted for this profile; any other is "
                     "refused")
                      .arg(serverName(m_account)));
  accept();
}

CertificateDialog::Fetcher networkCertificateFetcher() {
  return [](const engine::CertificateTarget& target, std::string& error) {
    std::optional<mail::ServerCertificate> certificate;
#ifdef TIDEWELL_NET_MAIL
    ThreadTransferRunner runner;
    runner.run([&] {
      certificate =
          mail::fetchServerCertificate(target.protocol, target.host, target.port,
                                       target.implicitTls, target.timeoutSeconds, {}, error);
    });
#else
    error = "This program was built without a mail client";
#endif
    return certificate;
  };
}

}  // namespace tidewell::app
