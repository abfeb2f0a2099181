#pragma once
// What the server settings panel writes: each field into block 2 (or block 1 for the cipher
// dates), the passwords enciphered, and the in-memory server settings kept in step so the next
// check cycle uses them. Also the outgoing-authentication dialog's rules. User-interface thread.
#include <optional>
#include <string>

#include "store/campaign_properties.h"
#include "store/clock.h"
#include "store/password_cipher.h"
#include "store/profile_store.h"

namespace tidewell::editor {

// What the panel shows when the node is selected.
struct ServerSettingsView {
  std::string title, pop3, smtp, smtpPort, popPort, account, password, mins, email, reply;
  bool deleteMessages = false;
  bool popSsl = false, smtpSsl = false, popSpa = false, serverAuthentication = false;
  int timeoutPosition = 1;
  bool verp = false;  // verp "true"
  // incoming "imap", with ImapPort, imapfolder and imapdone (their defaults when absent).
  bool imap = false;
  std::string imapPort, imapFolder, imapDone;
};

// The outgoing-authentication dialog's inputs.
struct OutgoingAuthenticationChoice {
  bool useIncomingAccount = true;  // Option1; otherwise Option2 "Log on using"
  std::string account;
  std::string password;
  bool securePassword = false;
};

class ServerSettingsEditor {
 public:
  ServerSettingsEditor(store::ProfileStore& profile, store::CampaignProperties& settings,
                       store::PasswordCipher& cipher, const store::Clock& clock)
      : m_profile(profile), m_settings(settings), m_cipher(cipher), m_clock(clock) {}

  ServerSettingsView view() const;

  // Line updates: the text the field held on gaining focus is the old value.
  bool writeTitle(const std::string& text, const std::string& oldText);
  bool writeEmail(const std::string& text, const std::string& oldText);
  bool writeReply(const std::string& text, const std::string& oldText);
  bool writeSmtp(const std::string& text, const std::string& oldText);
  bool writeAccount(const std::string& text, const std::string& oldText);
  bool setDeleteMessages(bool ticked);
  // "verp": "true" sends newsletters with a tagged return path, "false" without.
  bool setVerp(bool ticked);

  // Keyed updates.
  bool writeMins(const std::string& text);
  bool writePop3(const std::string& text);
  bool writePassword(const std::string& text);
  bool writePopPort(const std::string& text);
  bool writeSmtpPort(const std::string& text);
  bool setPopSpa(bool ticked);
  // "incoming": "imap" or "pop3".
  bool setImap(bool imap);
  bool writeImapPort(const std::string& text);
  bool writeImapFolder(const std::string& text);
  bool writeImapDone(const std::string& text);
  bool setPopSsl(bool ticked);
  bool setSmtpSsl(bool ticked);
  // Returns the caption for the slider's label.
  std::string setTimeoutPosition(int position);
  bool setServerAuthentication(bool ticked);
  // "Use Defaults": ports, SSL flags and time-out only.
  bool useDefaults();

  // The dialog's inputs on opening.
  OutgoingAuthenticationChoice outgoingOnOpening() const;
  // "OK": the refusal message when the dialog must stay open, else nullopt after writing.
  std::optional<std::string> confirmOutgoing(const OutgoingAuthenticationChoice& choice);

 private:
  std::string today() const;
  // The stored form of a secret: a keyring reference or the text enciphered under today.
  std::string seal(const std::string& key, const std::string& text);
  bool lineUpdate(const std::string& key, const std::string& value, const std::string& oldValue);
  bool keyed(const std::string& key, const std::string& value);

  store::ProfileStore& m_profile;
  store::CampaignProperties& m_settings;
  store::PasswordCipher& m_cipher;
  const store::Clock& m_clock;
};

}  // namespace tidewell::editor
