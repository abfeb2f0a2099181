#include "mail/attachment_cache.h"

#include <gmime/gmime.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

namespace tidewell::mail {

namespace {

std::optional<std::string> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

std::string base64(const std::string& bytes) {
  std::string out(GMIME_BASE64_ENCODE_LEN(bytes.size()), '\0');
  int state = 0;
  guint32 save = 0;
  size_t n = g_mime_encoding_base64_encode_close(
      reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
      reinterpret_cast<unsigned char*>(out.data()), &state, &save);
  out.resize(n);
  return out;
}

std::string withCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 38);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// 128 random bits: no message text will ever hold the same line by chance.
std::string uniquePlaceholder() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char text[64];
  std::snprintf(text, sizeof text, "=_tidewell_attachment_%016llx%016llx_=\n",
                static_cast<unsigned long long>(random()),
                static_cast<unsigned long long>(random()));
  return text;
}

}  // namespace

const AttachmentCache::Encoded* AttachmentCache::encoded(const std::string& path) {
  // One stat per message: the file may change between two passes, rarely within one.
  struct stat status {};
  if (path.empty() || ::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return nullptr;
  }
  const auto size = static_cast<std::uintmax_t>(status.st_size);
  const auto modified = status.st_mtim;
  auto found = m_entries.find(path);
  if (found != m_entries.end() && found->second.size == size &&
      found->second.modified.tv_sec == modified.tv_sec &&
      found->second.modified.tv_nsec == modified.tv_nsec) {
    return &found->second.encoded;
  }
  auto bytes = readBytes(path);
  if (!bytes) return nullptr;
  Entry& entry = m_entries[path];
  entry.size = size;
  entry.modified = modified;
  entry.encoded.base64 = base64(*bytes);
  entry.encoded.crlfBase64 = withCrLf(entry.encoded.base64);
  entry.encoded.placeholder = uniquePlaceholder();
  return &entry.encoded;
}

}  // namespace tidewell::mail
