#include "cipher/crypt_text.h"

#include <algorithm>

#include "cipher/c_rijndael.h"
#include "store/text.h"

namespace tidewell::cipher {

namespace {

ByteString toBytes(std::string_view text) {
  return ByteString(text.begin(), text.end());
}

std::string fromBytes(const ByteString& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string EncryptText(store::ErrorTrap& trap, std::string_view text, std::string_view password) {
  return fromBytes(CRijndael(trap).EncryptData(toBytes(text), toBytes(password)));
}

std::string DecryptText(store::ErrorTrap& trap, std::string_view bytes, std::string_view password) {
  return store::decodeFileText(
      fromBytes(CRijndael(trap).DecryptData(toBytes(bytes), toBytes(password))));
}

std::string TextToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(2 * bytes.size());
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

std::optional<std::string> HexToText(std::string_view hex) {
  std::string bytes;
  bytes.reserve((hex.size() + 1) / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int value = 0;
    for (std::size_t k = i; k < std::min(i + 2, hex.size()); ++k) {
      int digit = hexValue(hex[k]);
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
    }
    bytes += static_cast<char>(value);
  }
  return bytes;
}

}  // namespace tidewell::cipher
