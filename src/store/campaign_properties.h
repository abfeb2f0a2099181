#pragma once
// The open profile's server settings in memory, filled at start-up, kept in step by the server
// settings panel and read by the check cycle and the senders. A key absent from the profile
// leaves "!" in its text field unless a default is given. Owned by the main window.

#include <cstdint>
#include <string>

namespace tidewell::store {

// One account's OAuth2 sign-in (keys "<acct>_oauth_..." of block 2, acct pop or smtp); the
// client secret and the refresh token are read from where the secrets are kept.
struct OAuthAccount {
  std::string provider;  // "Google", "Microsoft 365" or "Other"
  std::string auth_url;
  std::string token_url;
  std::string client_id;
  std::string client_secret;
  std::string scopes;
  std::string refresh_token;
  std::string mechanism = "XOAUTH2";  // or "OAUTHBEARER"
};

// What an IMAP profile reads and where handled messages go when the profile does not say.
inline constexpr const char* kDefaultImapFolder = "INBOX";
inline constexpr const char* kDefaultImapDone = "$TidewellDone";
inline constexpr int kDefaultImapPort = 143;
inline constexpr int kDefaultImapsPort = 993;

struct CampaignProperties {
  std::string from_email = "!";             // email
  std::string from_reply_address = "!";     // reply
  std::string delete_after_checking = "!";  // delete
  std::string smtp = "!";
  std::string pop3 = "!";
  std::string smtp_port = "!";  // SMTPPort
  bool SendSuccess = false;     // result of the last send, not stored
  std::string pop_port = "!";   // PopPort
  // incoming "imap": the mailbox is read over IMAP (ImapPort, absent: 143, or 993 with SSL),
  // folder imapfolder; handled messages get the keyword imapdone ("$..."), or are moved into
  // the folder it names.
  bool imap = false;
  std::string imap_port = "!";
  std::string imap_folder = "!";
  std::string imap_done = "!";
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
  // popcert / smtpcert: SHA-256 of the one certificate the operator trusted for that server.
  std::string pop_certificate;
  std::string smtp_certificate;
  bool verp = false;        // verp "true": newsletters go out with a tagged return path
  bool pop_oauth2 = false;  // popauth "oauth2": POP3 log-in with a bearer token
  OAuthAccount pop_oauth;
  bool smtp_oauth2 = false;  // smtpauth "oauth2"
  OAuthAccount smtp_oauth;
  // The web kit, from the Filters block: "webkit", the address of the kit's folder ending in
  // "/" (empty: no kit), and "webkitkey", its secret, deciphered (empty until a kit is written).
  std::string webkit;
  std::string webkitkey;
};

}  // namespace tidewell::store
