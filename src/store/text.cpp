#include "store/text.h"

#include <array>
#include <cstdint>

namespace tidewell::store {

namespace {

// Windows-1252 code points for bytes 0x80 to 0x9F; the five undefined bytes map as Latin-1.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

char32_t lowerCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F)) {
    return c + 32;
  }
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c == 0x178) return 0xFF;
  bool evenUpper = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
  bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
  if ((evenUpper && c % 2 == 0) || (oddUpper && c % 2 == 1)) return c + 1;
  return c;
}

// Decodes the code point at text[i] of valid UTF-8 and advances i; invalid bytes pass as is.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
  auto b = static_cast<unsigned char>(text[i]);
  std::size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  if (b < 0xC0 || i + length > text.size()) {
    ++i;
    return 0xDC00 + b;  // a lone byte; re-encoded unchanged below
  }
  char32_t cp = length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
  for (std::size_t k = 1; k < length; ++k) {
    cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  }
  i += length;
  return cp;
}

}  // namespace

bool isValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<unsigned char>(s[i]);
    std::size_t extra;
    char32_t cp;
    if (b < 0x80) {
      ++i;
      continue;
    }
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
      cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
      cp = b & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.push_back(ch);
    } else if (b < 0xA0) {
      appendUtf8(out, kCp1252High[b - 0x80]);
    } else {
      appendUtf8(out, b);
    }
  }
  return out;
}

std::string decodeFileText(std::string_view bytes) {
  if (isValidUtf8(bytes)) return std::string(bytes);
  // Decided line by line: a file edited on both platforms keeps its UTF-8 lines intact.
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    std::string_view line = bytes.substr(start, end - start);
    if (isValidUtf8(line)) {
      out.append(line);
    } else {
      out += windows1252ToUtf8(line);
    }
    start = end;
  }
  return out;
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::size_t next = end + 1;
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') next = end + 2;
    lines.emplace_back(text.substr(start, end - start));
    start = next;
  }
  return lines;
}

std::string joinLinesCrLf(const std::vector<std::string>& lines) {
  std::size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  std::string out;
  out.reserve(total);
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

std::string_view trim(std::string_view text) {
  std::size_t b = text.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  std::size_t e = text.find_last_not_of(" \t");
  return text.substr(b, e - b + 1);
}

std::string oneLineField(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

std::string tabField(std::string_view value) {
  return value.empty() ? "-" : oneLineField(value);
}

std::string tabFieldValue(std::string_view field) {
  return field == "-" ? std::string() : std::string(field);
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t at = text.find(separator, start);
    if (at == std::string_view::npos || separator.empty()) {
      parts.emplace_back(text.substr(start));
      return parts;
    }
    parts.emplace_back(text.substr(start, at - start));
    start = at + separator.size();
  }
}

bool containsLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string foldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>((b >= 'A' && b <= 'Z') ? b + 32 : b));
      ++i;
      continue;
    }
    std::size_t begin = i;
    char32_t cp = nextCodePoint(text, i);
    if (cp >= 0xDC00 && cp <= 0xDCFF) {
      out.append(text.substr(begin, i - begin));
    } else {
      appendUtf8(out, lowerCodePoint(cp));
    }
  }
  return out;
}

std::string toUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

namespace {

bool isAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

}  // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (isAscii(a) && isAscii(b)) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
  }
  return foldCase(a) == foldCase(b);
}

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  if (isAscii(prefix)) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      if (lowerAscii(text[i]) != lowerAscii(prefix[i])) return false;
    }
    return true;
  }
  std::string t = foldCase(text);
  std::string p = foldCase(prefix);
  return t.compare(0, p.size(), p) == 0 && t.size() >= p.size();
}

bool containsIgnoreCase(std::string_view text, std::string_view needle) {
  return containsFolded(text, foldCase(needle));
}

bool containsFolded(std::string_view text, std::string_view needle) {
  if (needle.empty()) return true;
  // ASCII text, the common case, is compared without building a folded copy.
  if (!isAscii(text)) return foldCase(text).find(needle) != std::string::npos;
  for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && lowerAscii(text[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return true;
  }
  return false;
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  std::size_t start = 0;
  while (true) {
    std::size_t at = text.find(from, start);
    if (at == std::string_view::npos) break;
    out.append(text.substr(start, at - start));
    out.append(to);
    start = at + from.size();
  }
  out.append(text.substr(start));
  return out;
}

std::string percentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string encodeBits(const unsigned char* bytes, std::size_t count, std::string_view alphabet,
                       int bitsPerCharacter) {
  const unsigned mask = (1u << bitsPerCharacter) - 1;
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (std::size_t i = 0; i < count; ++i) {
    buffer = (buffer << 8) | bytes[i];
    bits += 8;
    while (bits >= bitsPerCharacter) {
      bits -= bitsPerCharacter;
      out += alphabet[(buffer >> bits) & mask];
    }
  }
  if (bits > 0) out += alphabet[(buffer << (bitsPerCharacter - bits)) & mask];
  return out;
}

}  // namespace tidewell::store
