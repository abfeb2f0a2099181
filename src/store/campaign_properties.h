#pragma once
// The open profile's server settings in memory, filled at start-up, kept in step by the server
// settings panel and read by the check cycle and the senders. A key absent from the profile
// leaves "!" in its text field unless a default is given. Owned by the main window.

#include <cstdint>
#include <string>

namespace tidewell::store {

struct CampaignProperties {
  std::string from_email = "!";             // email
  std::string from_reply_address = "!";     // reply
  std::string delete_after_checking = "!";  // delete
  std::string smtp = "!";
  std::string pop3 = "!";
  std::string smtp_port = "!";  // SMTPPort
  bool SendSuccess = false;     // result of the last send, not stored
  std::string pop_port = "!";   // PopPort
  std::string account = "!";
  std::string password;                // pass, deciphered
  std::string timer_mins = "!";        // mins, a decimal number of minutes
  std::int64_t total_emails_sent = 0;  // not used: the running total lives with the window
  int SMTPSSL = 0;
  int POPSSL = 0;
  int POPSPA = 0;
  int SMTPSPA = 0;
  int ServerAuthentication = 0;  // 0 none, 1 POP3 account, 2 separate SMTP account
  std::string smtp_account;
  std::string smtp_password;  // deciphered
  int server_timeout = 60;    // seconds
  bool verp = false;          // verp "true": newsletters go out with a tagged return path
};

}  // namespace tidewell::store
