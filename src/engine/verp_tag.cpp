#include "engine/verp_tag.h"

#include <openssl/evp.h>

#include <array>

#include "engine/bounce_class.h"
#include "store/text.h"

namespace tidewell::engine {

namespace {

constexpr std::size_t kTagBytes = 10;
constexpr std::string_view kTagStart = "+b.";
constexpr std::size_t kTagCharacters = 16;

constexpr std::string_view kBase32 = "abcdefghijklmnopqrstuvwxyz234567";

}  // namespace

std::string verpTag(std::string_view recipient) {
  const std::string folded = foldAscii(recipient);
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  EVP_Digest(folded.data(), folded.size(), digest.data(), &length, EVP_sha256(), nullptr);
  return "b." + store::encodeBits(digest.data(), kTagBytes, kBase32, 5);
}

std::string verpSender(std::string_view listAddress, std::string_view recipient) {
  std::size_t at = listAddress.rfind('@');
  if (at == std::string_view::npos) return std::string(listAddress);
  return std::string(listAddress.substr(0, at)) + "+" + verpTag(recipient) +
         std::string(listAddress.substr(at));
}

std::optional<std::string> tagOf(std::string_view returnPath, std::string_view listAddress) {
  const std::string path = foldAscii(returnPath);
  const std::string list = foldAscii(listAddress);
  std::size_t at = list.rfind('@');
  if (at == std::string::npos) return std::nullopt;
  const std::string local = list.substr(0, at);
  const std::size_t tagEnd = local.size() + kTagStart.size() + kTagCharacters;
  if (path.size() != list.size() + 1 + 2 + kTagCharacters ||
      path.compare(0, local.size(), local) != 0 ||
      path.compare(local.size(), kTagStart.size(), kTagStart) != 0 ||
      path.compare(tagEnd, std::string::npos, list, at) != 0) {
    return std::nullopt;
  }
  return path.substr(local.size() + 1, 2 + kTagCharacters);
}

}  // namespace tidewell::engine
