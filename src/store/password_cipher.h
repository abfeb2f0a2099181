#pragma once
// The store enciphers and deciphers stored mail passwords through this interface, so that it
// does not depend on the cipher library; the cipher subsystem provides the implementation.

#include <string>

namespace tidewell::store {

class PasswordCipher {
 public:
  virtual ~PasswordCipher() = default;
  // The stored (hexadecimal) form of text under the key of dateText; empty on failure.
  virtual std::string encipher(const std::string& text, const std::string& dateText) = 0;
  // The plain text of a stored form; empty on failure.
  virtual std::string decipher(const std::string& stored, const std::string& dateText) = 0;
};

}  // namespace tidewell::store
