#include "store/keyring_password_cipher.h"

#include <algorithm>

#include "store/date_text.h"
#include "store/text.h"
#include "store/text_file.h"
#include "store/utilities.h"

namespace tidewell::store {

namespace {

constexpr Procedure kKeyring{"Keyring"};

}  // namespace

bool isSecretKey(std::string_view key) {
  return std::any_of(std::begin(kSecretKeys), std::end(kSecretKeys),
                     [&](std::string_view secret) { return equalsIgnoreCase(key, secret); });
}

std::string keyringAccount(const SecretName& name) {
  std::error_code ignored;
  std::filesystem::path path = std::filesystem::absolute(name.profile, ignored);
  if (path.empty()) path = name.profile;
  return path.lexically_normal().string() + "#" + name.key;
}

void KeyringPasswordCipher::reportUnavailableOnce(const std::string& reason) {
  if (m_reportedUnavailable) return;
  m_reportedUnavailable = true;
  // Once a day, not once per command: a cron job would otherwise fill the error log with it.
  const std::filesystem::path mark = m_trap.logPath().parent_path() / "keyring-unavailable";
  const std::string today = shortDateText(m_trap.clock().today());
  try {
    if (FileExist(mark) && readFileBytes(mark) == today) return;
    writeFileDurably(mark, today);
  } catch (...) {
    // Without the mark the line is logged every time, as it was.
  }
  // The secret is kept all the same, enciphered: no failure of what the operator asked for.
  m_trap.note(kKeyring,
              {kKeyringUnavailable, "The keyring was not available (" + reason +
                                        "); passwords are kept enciphered in the profile"});
}

std::string KeyringPasswordCipher::seal(const SecretName& name, const std::string& secret,
                                        const std::string& dateText) {
  std::string error;
  if (secret.empty()) {
    // An emptied secret leaves no entry behind; without a keyring there is none to remove.
    if (m_keyring) m_keyring->remove(keyringAccount(name), error);
    return {};
  }
  if (!m_keyring) {
    reportUnavailableOnce("this program was built without keyring support");
  } else if (m_keyring->write(keyringAccount(name), secret, error)) {
    return std::string(kKeyringReference);
  } else {
    reportUnavailableOnce(error);
  }
  return m_enciphering.encipher(secret, dateText);
}

std::string KeyringPasswordCipher::open(const SecretName& name, const std::string& stored,
                                        const std::string& dateText) {
  if (stored != kKeyringReference) return m_enciphering.decipher(stored, dateText);
  const std::string account = keyringAccount(name);
  std::string error = "this program was built without keyring support";
  if (m_keyring) {
    error.clear();
    if (auto secret = m_keyring->read(account, error)) return *secret;
    if (error.empty()) error = "it holds no entry";
  }
  m_trap.report(kKeyring, {kKeyringUnavailable, "The " + name.key +
                                                    " secret is kept in the keyring, which "
                                                    "could not give it (" +
                                                    error + "): enter it again"});
  return {};
}

}  // namespace tidewell::store
