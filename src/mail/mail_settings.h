#pragma once
// How to reach the profile's POP3 and SMTP servers, taken from the server settings when a mail
// client is set up. Plain values; copied to whichever thread runs the transfers.
#include <string>

namespace tidewell::mail {

struct PopSettings {
  std::string host;
  int port = 110;
  std::string user;
  std::string password;
  bool ssl = false;  // TLS required: implicit on 995, STARTTLS on any other port
  bool spa = false;  // log in with NTLM
  int timeoutSeconds = 60;
  std::string caFile;  // certificates to trust instead of the system store; empty: the system's
};

struct SmtpSettings {
  std::string host;
  int port = 25;
  bool ssl = false;  // TLS required: implicit on 465, STARTTLS on any other port
  bool spa = false;
  // 0 no log-in; 1 log in with the POP3 account; 2 with the separate SMTP account. The caller
  // puts the account to use into user and password.
  int authentication = 0;
  std::string user;
  std::string password;
  int timeoutSeconds = 60;
  std::string caFile;

  bool operator==(const SmtpSettings&) const = default;
};

}  // namespace tidewell::mail
