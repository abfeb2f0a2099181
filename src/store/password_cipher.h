#pragma once
// The store enciphers and deciphers stored mail passwords through this interface, so that it
// does not depend on the cipher library; the cipher subsystem provides the implementation.

#include <filesystem>
#include <string>

namespace tidewell::store {

// Which secret of which profile: the profile file and the key the secret is stored under.
struct SecretName {
  std::filesystem::path profile;
  std::string key;
};

class PasswordCipher {
 public:
  virtual ~PasswordCipher() = default;
  // The stored (hexadecimal) form of text under the key of dateText; empty on failure.
  virtual std::string encipher(const std::string& text, const std::string& dateText) = 0;
  // The plain text of a stored form; empty on failure.
  virtual std::string decipher(const std::string& stored, const std::string& dateText) = 0;

  // The value to store in the profile for a named secret; empty for the empty secret. A cipher
  // that keeps secrets elsewhere (the desktop's keyring) stores a reference instead.
  virtual std::string seal(const SecretName& name, const std::string& secret,
                           const std::string& dateText) {
    (void)name;
    return secret.empty() ? std::string() : encipher(secret, dateText);
  }
  // The secret behind a value seal returned, or behind an enciphered value of an older profile.
  virtual std::string open(const SecretName& name, const std::string& stored,
                           const std::string& dateText) {
    (void)name;
    return decipher(stored, dateText);
  }
};

}  // namespace tidewell::store
