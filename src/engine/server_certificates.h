#pragma once
// Trusting one server's certificate for a profile: where to fetch the certificate the POP3 or
// SMTP account's server presents, and keeping its fingerprint in the profile ("popcert",
// "smtpcert" of the server settings), from where every later connection pins it. Shared by the
// window and tidewell-cli; stateless.
#include <string>
#include <string_view>

#include "mail/server_certificate.h"
#include "store/campaign_properties.h"
#include "store/profile_store.h"

namespace tidewell::engine {

// How a connection to the account's server starts, as the mail client would open it.
struct CertificateTarget {
  mail::MailProtocol protocol = mail::MailProtocol::kPop3;
  std::string host;
  int port = 0;
  bool implicitTls = false;
  int timeoutSeconds = 60;
  std::string profileKey;  // "popcert" or "smtpcert"
};

// account is "pop3" or "smtp"; the ports on which "SSL" means TLS from the first byte are
// 995 and 465 unless given. Raises when the server or its port is not set.
CertificateTarget certificateTargetOf(const store::CampaignProperties& settings,
                                      std::string_view account, int implicitPop3 = 995,
                                      int implicitSmtp = 465);

// Keeps the fingerprint in the profile and in the settings in memory, so the next connection
// accepts that certificate and no other. False when the fingerprint is not one.
bool trustCertificate(store::ProfileStore& profile, store::CampaignProperties& settings,
                      const CertificateTarget& target, const std::string& sha256);

}  // namespace tidewell::engine
