// trust-certificate: fetches the certificate the POP3 or SMTP server presents, shows it and,
// when the operator says yes, keeps its fingerprint in the profile so that later connections
// accept that certificate and refuse any other.

#include <iostream>
#include <string>

#include "cli/commands.h"
#include "engine/server_certificates.h"
#include "mail/certificate_trust.h"
#include "store/profile_settings.h"

namespace tidewell::cli {

namespace {

// --yes answers for the operator; otherwise the answer is read from standard input.
bool operatorTrusts(CliContext& context, const engine::CertificateTarget& target) {
  std::cerr << "Trust this certificate for " << target.host << ":" << target.port
            << " in this profile? [y/N] ";
  if (context.options().answerYes) {
    std::cerr << "yes\n";
    return true;
  }
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

int trustCertificateCommand(CliContext& context, const Arguments& args) {
  args.expect(1, {});
  const std::string account = args.at(0, "pop3|smtp");
  if (account != "pop3" && account != "smtp")
    throw UsageError("trust-certificate takes pop3 or smtp: " + account);
  store::ProfileStore profile = context.profileStore();
  store::ProfileSettings settings = store::loadProfileSettings(profile, context.cipher());
  std::optional<engine::CertificateTarget> target;
  context.trap().run(store::Procedure{"trust-certificate"},
                     [&] { target = engine::certificateTargetOf(settings.campaign, account); });
  if (!target) return 1;
  std::string error;
  std::optional<mail::ServerCertificate> certificate = mail::fetchServerCertificate(
      target->protocol, target->host, target->port, target->implicitTls, target->timeoutSeconds,
      context.options().caFile, error);
  if (!certificate) throw CommandFailed("No certificate from " + target->host + ": " + error);
  std::cout << mail::certificateText(*certificate);
  if (!operatorTrusts(context, *target)) {
    std::cout << "Not trusted; nothing changed\n";
    return 1;
  }
  if (!engine::trustCertificate(profile, settings.campaign, *target, certificate->sha256)) return 1;
  std::cout << "Trusted: " << account << " connections accept this certificate and no other\n";
  return 0;
}

}  // namespace

std::vector<Command> certificateCommands() {
  return {{"trust-certificate",
           "pop3|smtp  (shows the server's certificate and asks; --yes trusts without asking)",
           trustCertificateCommand}};
}

}  // namespace tidewell::cli
