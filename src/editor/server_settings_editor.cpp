#include "editor/server_settings_editor.h"

#include "editor/server_timeout.h"
#include "store/profile_model.h"

namespace tidewell::editor {

namespace {

using store::kServerBlock;
using store::kUserBlock;

std::string shown(std::string value) {
  return value == store::kAbsent ? std::string() : value;
}
std::string flag(bool on) {
  return on ? "1" : "0";
}

}  // namespace

ServerSettingsView ServerSettingsEditor::view() const {
  auto get = [&](const char* key) { return shown(m_profile.GetFromFile_new(kServerBlock, key)); };
  ServerSettingsView v;
  v.title = get("title");
  v.pop3 = get("pop3");
  v.smtp = get("smtp");
  v.smtpPort = get("SMTPPort");
  v.popPort = get("PopPort");
  v.account = get("account");
  std::string stored = get("pass");
  if (!stored.empty()) {
    v.password = m_cipher.open({m_profile.path(), "pass"}, stored,
                               m_profile.GetFromFile_new(kUserBlock, "date"));
  }
  v.mins = get("mins");
  v.email = get("email");
  v.reply = get("reply");
  v.deleteMessages = get("delete") == "true";
  v.popSsl = m_settings.POPSSL == 1;
  v.smtpSsl = m_settings.SMTPSSL == 1;
  v.popSpa = m_settings.POPSPA == 1;
  v.serverAuthentication = m_settings.ServerAuthentication != 0;
  v.timeoutPosition = timeoutPosition(std::to_string(m_settings.server_timeout));
  v.verp = get("verp") == "true";
  v.imap = m_settings.imap;
  v.imapPort = get("ImapPort");
  if (v.imapPort.empty())
    v.imapPort = std::to_string(v.popSsl ? store::kDefaultImapsPort : store::kDefaultImapPort);
  v.imapFolder = get("imapfolder");
  if (v.imapFolder.empty()) v.imapFolder = store::kDefaultImapFolder;
  v.imapDone = get("imapdone");
  if (v.imapDone.empty()) v.imapDone = store::kDefaultImapDone;
  return v;
}

std::string ServerSettingsEditor::today() const {
  return store::shortDateText(m_clock.today());
}

std::string ServerSettingsEditor::seal(const std::string& key, const std::string& text) {
  return m_cipher.seal({m_profile.path(), key}, text, today());
}

bool ServerSettingsEditor::lineUpdate(const std::string& key, const std::string& value,
                                      const std::string& oldValue) {
  return m_profile.UpdateFile(key + ": " + value, oldValue, kServerBlock);
}

bool ServerSettingsEditor::keyed(const std::string& key, const std::string& value) {
  return m_profile.UpdateFile_new(kServerBlock, key, value);
}

bool ServerSettingsEditor::writeTitle(const std::string& text, const std::string& oldText) {
  return lineUpdate("title", text, oldText);
}

bool ServerSettingsEditor::writeEmail(const std::string& text, const std::string& oldText) {
  m_settings.from_email = text;
  return lineUpdate("email", text, oldText);
}

bool ServerSettingsEditor::writeReply(const std::string& text, const std::string& oldText) {
  m_settings.from_reply_address = text;
  return lineUpdate("reply", text, oldText);
}

bool ServerSettingsEditor::writeSmtp(const std::string& text, const std::string& oldText) {
  m_settings.smtp = text;
  return lineUpdate("smtp", text, oldText);
}

bool ServerSettingsEditor::writeAccount(const std::string& text, const std::string& oldText) {
  m_settings.account = text;
  return lineUpdate("account", text, oldText);
}

bool ServerSettingsEditor::setDeleteMessages(bool ticked) {
  return ticked ? lineUpdate("delete", "true", "false") : lineUpdate("delete", "false", "true");
}

bool ServerSettingsEditor::writeMins(const std::string& text) {
  m_settings.timer_mins = text;
  return keyed("mins", text);
}

bool ServerSettingsEditor::writePop3(const std::string& text) {
  m_settings.pop3 = text;
  return keyed("pop3", text);
}

bool ServerSettingsEditor::writePassword(const std::string& text) {
  // The date rewritten here is the key the stored password was enciphered under.
  bool ok = keyed("pass", seal("pass", text));
  ok = m_profile.UpdateFile_new(kUserBlock, "date", today()) && ok;
  m_settings.password = text;
  return ok;
}

bool ServerSettingsEditor::writePopPort(const std::string& text) {
  m_settings.pop_port = text;
  return keyed("PopPort", text);
}

bool ServerSettingsEditor::writeSmtpPort(const std::string& text) {
  m_settings.smtp_port = text;
  return keyed("SMTPPort", text);
}

bool ServerSettingsEditor::setVerp(bool ticked) {
  m_settings.verp = ticked;
  return keyed("verp", ticked ? "true" : "false");
}

bool ServerSettingsEditor::setPopSpa(bool ticked) {
  m_settings.POPSPA = ticked ? 1 : 0;
  return keyed("POPSPA", flag(ticked));
}

bool ServerSettingsEditor::setImap(bool imap) {
  m_settings.imap = imap;
  return keyed("incoming", imap ? "imap" : "pop3");
}

bool ServerSettingsEditor::writeImapPort(const std::string& text) {
  m_settings.imap_port = text;
  return keyed("ImapPort", text);
}

bool ServerSettingsEditor::writeImapFolder(const std::string& text) {
  m_settings.imap_folder = text;
  return keyed("imapfolder", text);
}

bool ServerSettingsEditor::writeImapDone(const std::string& text) {
  m_settings.imap_done = text;
  return keyed("imapdone", text);
}

bool ServerSettingsEditor::setPopSsl(bool ticked) {
  m_settings.POPSSL = ticked ? 1 : 0;
  return keyed("POPSSL", flag(ticked));
}

bool ServerSettingsEditor::setSmtpSsl(bool ticked) {
  m_settings.SMTPSSL = ticked ? 1 : 0;
  return keyed("SMTPSSL", flag(ticked));
}

std::string ServerSettingsEditor::setTimeoutPosition(int position) {
  int seconds = timeoutSeconds(position);
  m_settings.server_timeout = seconds;
  keyed("server_timeout", std::to_string(seconds));
  return timeoutCaption(position);
}

bool ServerSettingsEditor::setServerAuthentication(bool ticked) {
  if (!ticked) {
    m_settings.ServerAuthentication = 0;
    bool ok = keyed("ServerAuthentication", "0");
    ok = keyed("smtp_account", "") && ok;
    return keyed("smtp_password", seal("smtp_password", "")) && ok;
  }
  m_settings.ServerAuthentication = 1;
  bool ok = m_profile.UpdateFile_new(kUserBlock, "date2", today());
  ok = keyed("ServerAuthentication", "1") && ok;
  ok = keyed("smtp_account", m_settings.account) && ok;
  return keyed("smtp_password", seal("smtp_password", m_settings.password)) && ok;
}

bool ServerSettingsEditor::useDefaults() {
  m_settings.smtp_port = "25";
  m_settings.pop_port = "110";
  if (m_settings.imap) m_settings.imap_port = std::to_string(store::kDefaultImapPort);
  m_settings.POPSSL = 0;
  m_settings.SMTPSSL = 0;
  m_settings.server_timeout = 60;
  return store::ProfileModel(m_profile).Set_Port_Defaults();
}

OutgoingAuthenticationChoice ServerSettingsEditor::outgoingOnOpening() const {
  if (m_settings.ServerAuthentication == 1) return {true, {}, {}, false};
  return {false, m_settings.smtp_account, m_settings.smtp_password, m_settings.SMTPSPA == 1};
}

std::optional<std::string> ServerSettingsEditor::confirmOutgoing(
    const OutgoingAuthenticationChoice& choice) {
  if (!choice.useIncomingAccount && choice.account.empty()) {
    return "Please enter your account name for logging onto this server";
  }
  int mode = choice.useIncomingAccount ? 1 : 2;
  std::string account = choice.useIncomingAccount ? m_settings.account : choice.account;
  std::string password = choice.useIncomingAccount ? m_settings.password : choice.password;
  bool spa = !choice.useIncomingAccount && choice.securePassword;
  m_settings.ServerAuthentication = mode;
  keyed("ServerAuthentication", std::to_string(mode));
  m_profile.UpdateFile_new(kUserBlock, "date2", today());
  keyed("smtp_account", account);
  m_settings.smtp_account = account;
  keyed("smtp_password", seal("smtp_password", password));
  m_settings.smtp_password = password;
  keyed("SMTPSPA", flag(spa));
  m_settings.SMTPSPA = spa ? 1 : 0;
  return std::nullopt;
}

}  // namespace tidewell::editor
