#include "cipher/dated_password_cipher.h"

#include "cipher/password_cipher.h"

namespace tidewell::cipher {

std::string DatedPasswordCipher::encipher(const std::string& text, const std::string& dateText) {
  return f_encrypt(m_trap, text, dateText);
}

std::string DatedPasswordCipher::decipher(const std::string& stored, const std::string& dateText) {
  return f_decrypt(m_trap, stored, dateText);
}

}  // namespace tidewell::cipher
