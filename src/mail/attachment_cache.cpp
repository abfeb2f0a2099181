#include "mail/attachment_cache.h"

#include <gmime/gmime.h>

#include <fstream>
#include <iterator>
#include <system_error>

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

}  // namespace

const std::string* AttachmentCache::encoded(const std::string& path) {
  std::error_code error;
  if (path.empty() || !std::filesystem::is_regular_file(path, error)) return nullptr;
  const auto size = std::filesystem::file_size(path, error);
  if (error) return nullptr;
  const auto modified = std::filesystem::last_write_time(path, error);
  if (error) return nullptr;
  auto found = m_entries.find(path);
  if (found != m_entries.end() && found->second.size == size &&
      found->second.modified == modified) {
    return &found->second.base64;
  }
  auto bytes = readBytes(path);
  if (!bytes) return nullptr;
  Entry& entry = m_entries[path];
  entry = {size, modified, base64(*bytes)};
  return &entry.base64;
}

}  // namespace tidewell::mail
