#pragma once
// The cipher the store uses for the mail passwords of a profile, over f_encrypt and f_decrypt.
// Reports into the trap of whoever owns the profile; one thread.

#include <string>

#include "store/error_trap.h"
#include "store/password_cipher.h"

namespace tidewell::cipher {

class DatedPasswordCipher : public store::PasswordCipher {
 public:
  explicit DatedPasswordCipher(store::ErrorTrap& trap) : m_trap(trap) {}
  std::string encipher(const std::string& text, const std::string& dateText) override;
  std::string decipher(const std::string& stored, const std::string& dateText) override;

 private:
  store::ErrorTrap& m_trap;
};

}  // namespace tidewell::cipher
