#include "consent/consent_log.h"

#include <unistd.h>

#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::consent {

namespace {}  // namespace

std::filesystem::path consentLogPath(const std::filesystem::path& profileFolder) {
  return profileFolder / "consent.log";
}

std::string consentLine(const ConsentEntry& e) {
  std::string line;
  for (std::string_view value :
       {std::string_view(e.date), std::string_view(e.time), std::string_view(e.address),
        std::string_view(e.filter), std::string_view(e.how), std::string_view(e.signupMessageId),
        std::string_view(e.confirmationMessageId), std::string_view(e.ip),
        std::string_view(e.textName), std::string_view(e.textSha256)}) {
    if (!line.empty()) line += '\t';
    line += store::tabField(value);
  }
  return line;
}

void appendConsent(const std::filesystem::path& profileFolder, const ConsentEntry& entry) {
  store::appendLine(consentLogPath(profileFolder), consentLine(entry));
}

void appendConsentOfAll(const std::filesystem::path& profileFolder,
                        const std::vector<std::string>& addresses, std::string_view filter,
                        std::string_view how, std::string_view date, std::string_view time) {
  if (addresses.empty()) return;
  const std::filesystem::path path = consentLogPath(profileFolder);
  int fd = store::openForAppending(path);
  std::string piece;
  try {
    for (const std::string& address : addresses) {
      piece += consentLine({std::string(date), std::string(time), address, std::string(filter),
                            std::string(how), "", "", "", "", ""});
      piece += "\r\n";
      if (piece.size() < (1u << 20)) continue;
      store::appendWhole(fd, piece, path);
      piece.clear();
    }
    if (!piece.empty()) store::appendWhole(fd, piece, path);
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
}

std::vector<ConsentEntry> consentOf(const std::filesystem::path& profileFolder,
                                    std::string_view address) {
  std::vector<ConsentEntry> found;
  std::filesystem::path path = consentLogPath(profileFolder);
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return found;
  for (std::string line : store::readLines(path)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f;
    std::size_t start = 0;
    while (f.size() < 10) {
      std::size_t tab = line.find('\t', start);
      f.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (f.size() < 5 || !store::equalsIgnoreCase(f[2], address)) continue;
    f.resize(10);
    found.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]});
  }
  return found;
}

}  // namespace tidewell::consent
