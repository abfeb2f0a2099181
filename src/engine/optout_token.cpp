#include "engine/optout_token.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <stdexcept>
#include <vector>

#include "store/text.h"
namespace tidewell::engine {

namespace {

constexpr std::size_t kSecretBytes = 32;
constexpr std::size_t kTokenBytes = 16;

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<unsigned char> secretBytes(std::string_view hex) {
  std::vector<unsigned char> bytes;
  if (hex.size() != 2 * kSecretBytes) return bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int high = hexDigit(hex[i]);
    int low = hexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return {};
    bytes.push_back(static_cast<unsigned char>(high * 16 + low));
  }
  return bytes;
}

constexpr std::string_view kBase64Url =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// ASCII letters only, as the kit's strtolower: the two sides must agree byte for byte.
std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The first 16 bytes of HMAC-SHA256 of data under the secret, in base64url without padding.
std::string kitToken(std::string_view secretHex, std::string_view data) {
  std::vector<unsigned char> key = secretBytes(secretHex);
  if (key.empty()) return {};
  unsigned char mac[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
            reinterpret_cast<const unsigned char*>(data.data()), data.size(), mac, &length) ||
      length < kTokenBytes) {
    return {};
  }
  return store::encodeBits(mac, kTokenBytes, kBase64Url, 6);
}

bool sameToken(const std::string& expected, std::string_view token) {
  return !expected.empty() && token.size() == expected.size() &&
         CRYPTO_memcmp(expected.data(), token.data(), expected.size()) == 0;
}

}  // namespace

std::string optOutToken(std::string_view secretHex, std::string_view address,
                        std::string_view filterTitle) {
  std::string data = lowerAscii(address);
  data += '\n';
  data.append(filterTitle);
  return kitToken(secretHex, data);
}

std::string confirmationToken(std::string_view secretHex, std::string_view address,
                              std::string_view filterTitle) {
  std::string data = "confirm\n" + lowerAscii(address);
  data += '\n';
  data.append(filterTitle);
  return kitToken(secretHex, data);
}

bool confirmationTokenValid(std::string_view secretHex, std::string_view address,
                            std::string_view filterTitle, std::string_view token) {
  return sameToken(confirmationToken(secretHex, address, filterTitle), token);
}

bool optOutTokenValid(std::string_view secretHex, std::string_view address,
                      std::string_view filterTitle, std::string_view token) {
  return sameToken(optOutToken(secretHex, address, filterTitle), token);
}

std::string newKitSecret() {
  unsigned char bytes[kSecretBytes];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    throw std::runtime_error("the system's random generator gave no bytes for the kit secret");
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : bytes) {
    hex += kHex[b >> 4];
    hex += kHex[b & 15];
  }
  return hex;
}

}  // namespace tidewell::engine
