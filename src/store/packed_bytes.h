#pragma once
// Variable-length numbers and length-prefixed texts in one byte buffer: the compact form a
// subscriber record keeps its own texts in. Small numbers take one byte.

#include <cstdint>
#include <string>
#include <string_view>

namespace tidewell::store {

inline void appendNumber(std::string& out, std::uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<char>((value & 0x7F) | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<char>(value));
}

inline void appendText(std::string& out, std::string_view text) {
  appendNumber(out, text.size());
  out.append(text);
}

// Reads what appendNumber and appendText wrote, front to back. The buffer is always one the
// record wrote itself; an empty buffer reads as zeros and empty texts.
class PackedReader {
 public:
  explicit PackedReader(std::string_view bytes) : m_bytes(bytes) {}

  std::uint64_t number() {
    std::uint64_t value = 0;
    int shift = 0;
    while (m_at < m_bytes.size()) {
      auto b = static_cast<unsigned char>(m_bytes[m_at++]);
      value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if (b < 0x80) return value;
      shift += 7;
    }
    return value;
  }
  std::string_view text() {
    auto length = static_cast<std::size_t>(number());
    std::string_view t = m_bytes.substr(m_at, length);
    m_at += length;
    return t;
  }
  void skipText() { m_at += static_cast<std::size_t>(number()); }
  std::string_view rest() const { return m_bytes.substr(m_at); }
  bool atEnd() const { return m_at >= m_bytes.size(); }

 private:
  std::string_view m_bytes;
  std::size_t m_at = 0;
};

}  // namespace tidewell::store
