#pragma once
// The base64 text of attachment files, kept for the length of an SMTP session: a newsletter
// goes to every recipient with the same files, so each file is read and encoded once per pass
// rather than once per message. A file changed on disk (size or time) is read again. Owned by
// the mail client; used by its transfer thread only.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace tidewell::mail {

class AttachmentCache {
 public:
  // The file's content in base64 with line breaks, or nothing when it cannot be read.
  const std::string* encoded(const std::string& path);
  void clear() { m_entries.clear(); }

 private:
  struct Entry {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified;
    std::string base64;
  };
  std::map<std::string, Entry> m_entries;
};

}  // namespace tidewell::mail
