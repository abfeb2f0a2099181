#include "engine/server_certificates.h"

#include "engine/outgoing_mail.h"
#include "store/error.h"
#include "store/profile_document.h"

namespace tidewell::engine {

CertificateTarget certificateTargetOf(const store::CampaignProperties& settings,
                                      std::string_view account, int implicitPop3,
                                      int implicitSmtp) {
  CertificateTarget target;
  if (account == "pop3") {
    mail::PopSettings pop = popSettingsOf(settings, {});
    target = {mail::MailProtocol::kPop3,           pop.host,           pop.port,
              pop.ssl && pop.port == implicitPop3, pop.timeoutSeconds, "popcert"};
  } else {
    mail::SmtpSettings smtp = smtpSettingsOf(settings, {});
    target = {
        mail::MailProtocol::kSmtp, smtp.host, smtp.port, smtp.ssl && smtp.port == implicitSmtp,
        smtp.timeoutSeconds,       "smtpcert"};
  }
  if (target.host.empty()) {
    store::raise(store::ErrorNumber::kBadArgument,
                 std::string(account == "pop3" ? "The Pop3" : "The SMTP") +
                     " server is not set in Server Settings");
  }
  return target;
}

bool trustCertificate(store::ProfileStore& profile, store::CampaignProperties& settings,
                      const CertificateTarget& target, const std::string& sha256) {
  std::string fingerprint = mail::normalFingerprint(sha256);
  if (fingerprint.empty()) return false;
  if (!profile.UpdateFile_new(store::kServerBlock, target.profileKey, fingerprint)) return false;
  (target.protocol == mail::MailProtocol::kPop3 ? settings.pop_certificate
                                                : settings.smtp_certificate) = fingerprint;
  return true;
}

}  // namespace tidewell::engine
