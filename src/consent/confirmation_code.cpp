#include "consent/confirmation_code.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <stdexcept>

#include "store/text.h"

namespace tidewell::consent {

namespace {
constexpr std::string_view kAlphabet = "ABCDEFGHJKMNPQRSTUVWXYZ23456789";
constexpr std::size_t kCodeLength = 8;
}  // namespace

std::string newConfirmationCode() {
  unsigned char bytes[kCodeLength];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    throw std::runtime_error("the system's random generator gave no bytes for a code");
  }
  std::string code = "TW-";
  for (unsigned char b : bytes) code += kAlphabet[b % kAlphabet.size()];
  return code;
}

bool subjectHoldsCode(std::string_view subject, std::string_view code) {
  if (code.empty() || subject.size() < code.size()) return false;
  for (std::size_t i = 0; i + code.size() <= subject.size(); ++i) {
    if (store::equalsIgnoreCase(subject.substr(i, code.size()), code)) return true;
  }
  return false;
}

std::string sha256Hex(std::string_view text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

}  // namespace tidewell::consent
