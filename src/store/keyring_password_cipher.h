#pragma once
// The password cipher of the programs: named secrets go into the desktop's keyring when one is
// reachable, and the profile holds only "keyring:" in their place; otherwise they are
// enciphered into the profile as before, and the error log says once a day that the keyring was
// not available. Values of older profiles are read as they are. One thread.

#include <string>
#include <string_view>

#include "store/error_trap.h"
#include "store/password_cipher.h"
#include "store/secret_store.h"

namespace tidewell::store {

// What the profile holds in place of a secret kept in the keyring.
inline constexpr std::string_view kKeyringReference = "keyring:";

// The block 2 keys whose values are secrets: the mail passwords, and per account (pop, smtp)
// the OAuth2 client secret and refresh token.
inline constexpr std::string_view kSecretKeys[] = {
    "pass",
    "smtp_password",
    "pop_oauth_client_secret",
    "pop_oauth_refresh_token",
    "smtp_oauth_client_secret",
    "smtp_oauth_refresh_token",
};
bool isSecretKey(std::string_view key);

// The keyring's account name of a secret: "<profile path>#<key>", the path made absolute so
// that every program finds the same entry.
std::string keyringAccount(const SecretName& name);

class KeyringPasswordCipher : public PasswordCipher {
 public:
  // keyring may be null: then every secret is enciphered into the profile.
  KeyringPasswordCipher(PasswordCipher& enciphering, SecretStore* keyring, ErrorTrap& trap)
      : m_enciphering(enciphering), m_keyring(keyring), m_trap(trap) {}

  std::string encipher(const std::string& text, const std::string& dateText) override {
    return m_enciphering.encipher(text, dateText);
  }
  std::string decipher(const std::string& stored, const std::string& dateText) override {
    return m_enciphering.decipher(stored, dateText);
  }
  std::string seal(const SecretName& name, const std::string& secret,
                   const std::string& dateText) override;
  std::string open(const SecretName& name, const std::string& stored,
                   const std::string& dateText) override;

 private:
  void reportUnavailableOnce(const std::string& reason);

  PasswordCipher& m_enciphering;
  SecretStore* m_keyring;
  ErrorTrap& m_trap;
  bool m_reportedUnavailable = false;
};

}  // namespace tidewell::store
