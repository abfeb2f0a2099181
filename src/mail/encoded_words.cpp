#include "mail/encoded_words.h"

#include <optional>
#include <utility>

namespace tidewell::mail {

namespace {

int base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Decodes up to the first "=" (or the end, when the padding is missing); other characters
// outside the alphabet are passed over.
std::string decodeBase64Leniently(std::string_view text) {
  std::string bytes;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=') break;
    int value = base64Value(c);
    if (value < 0) continue;
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return bytes;
}

std::string quotedWord(std::string_view charset, const std::string& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string word = "=?";
  word.append(charset).append("?Q?");
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (plain) {
      word += c;
    } else {
      word.append(1, '=').append(1, kHex[byte >> 4]).append(1, kHex[byte & 0x0F]);
    }
  }
  return word + "?=";
}

bool tokenCharacter(char c) {
  return static_cast<unsigned char>(c) > ' ' && c != '?' && c != 0x7F;
}

// The base64 word that starts at `at` ("=?charset?B?text?="), rewritten, and its length.
std::optional<std::pair<std::string, std::size_t>> rewrittenWordAt(std::string_view text,
                                                                   std::size_t at) {
  std::size_t charsetEnd = at + 2;
  while (charsetEnd < text.size() && tokenCharacter(text[charsetEnd])) ++charsetEnd;
  if (charsetEnd == at + 2 || charsetEnd + 2 >= text.size() || text[charsetEnd] != '?') {
    return std::nullopt;
  }
  if ((text[charsetEnd + 1] != 'B' && text[charsetEnd + 1] != 'b') || text[charsetEnd + 2] != '?') {
    return std::nullopt;
  }
  std::size_t payload = charsetEnd + 3;
  std::size_t end = text.find("?=", payload);
  if (end == std::string_view::npos) return std::nullopt;
  std::string_view encoded = text.substr(payload, end - payload);
  for (char c : encoded) {
    if (!tokenCharacter(c)) return std::nullopt;
  }
  std::string_view charset = text.substr(at + 2, charsetEnd - at - 2);
  return std::pair{quotedWord(charset, decodeBase64Leniently(encoded)), end + 2 - at};
}

}  // namespace

std::string base64WordsAsQuoted(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t at = text.find("=?"); at != std::string_view::npos; at = text.find("=?", at)) {
    auto word = rewrittenWordAt(text, at);
    if (!word) {
      at += 2;
      continue;
    }
    out.append(text.substr(done, at - done)).append(word->first);
    at += word->second;
    done = at;
  }
  out.append(text.substr(done));
  return out;
}

std::size_t headerSectionLength(std::string_view raw) {
  for (std::size_t i = raw.find('\n'); i != std::string_view::npos; i = raw.find('\n', i + 1)) {
    std::size_t next = i + 1;
    if (next < raw.size() && raw[next] == '\r') ++next;
    if (next < raw.size() && raw[next] == '\n') return next + 1;
  }
  return raw.size();
}

}  // namespace tidewell::mail
