#pragma once
// "Server Certificate" (`frmCertificate`): the certificate the POP3 or SMTP server presents
// (subject, issuer, validity, SHA-256 fingerprint, why it is not trusted) and "Trust This
// Certificate", which pins it for this server in this profile. Not modal when a cycle opens it,
// so an unattended cycle never waits for it; UI thread, the fetch runs on a worker thread.

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>
#include <optional>

#include "engine/server_certificates.h"
#include "store/campaign_properties.h"
#include "store/profile_store.h"

namespace tidewell::app {

class CertificateDialog : public QDialog {
  Q_OBJECT

 public:
  // Fetches the certificate a server presents; nothing, with error set, when none came.
  using Fetcher = std::function<std::optional<mail::ServerCertificate>(
      const engine::CertificateTarget& target, std::string& error)>;

  CertificateDialog(store::ProfileStore& profile, store::CampaignProperties& settings,
                    std::string account, Fetcher fetch, QWidget* parent);

  // Connects to the server and shows what it presented; false when nothing could be fetched
  // (the dialog then says why).
  bool fetch();
  // "Trust This Certificate".
  void cmdTrust_Click();
  const std::optional<mail::ServerCertificate>& certificate() const { return m_certificate; }

 signals:
  void statusText(const QString& text);

 private:
  store::ProfileStore& m_profile;
  store::CampaignProperties& m_settings;
  std::string m_account;
  Fetcher m_fetch;
  std::optional<engine::CertificateTarget> m_target;
  std::optional<mail::ServerCertificate> m_certificate;
  QLabel* m_heading;
  QPlainTextEdit* m_details;
  QLabel* m_verdict;
  QPushButton* m_trust;
};

// The real fetcher: mail::fetchServerCertificate on a worker thread while the window turns.
CertificateDialog::Fetcher networkCertificateFetcher();

}  // namespace tidewell::app
