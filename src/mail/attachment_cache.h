#pragma once
// The base64 text of attachment files, kept for the length of an SMTP session: a newsletter
// goes to every recipient with the same files, so each file is read and encoded once per pass
// rather than once per message. A file changed on disk (size or time) is read again. Owned by
// the mail client; used by its transfer thread only.
#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>

namespace tidewell::mail {

class AttachmentCache {
 public:
  struct Encoded {
    std::string base64;      // with LF line breaks, as a MIME part's content
    std::string crlfBase64;  // the same with CR LF, as it goes on the wire
    // A line no file content can hold, which a message carries in the attachment's place until
    // the wire form is put in (see MessageBuilder).
    std::string placeholder;
  };

  // The file's content encoded, or nothing when it cannot be read.
  const Encoded* encoded(const std::string& path);
  void clear() { m_entries.clear(); }

 private:
  struct Entry {
    std::uintmax_t size = 0;
    timespec modified{};
    Encoded encoded;
  };
  std::map<std::string, Entry> m_entries;
};

}  // namespace tidewell::mail
