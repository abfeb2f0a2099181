#include "mail/imap_session.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace tidewell::mail {

namespace {

// A command line stays well below the 8,000 octets servers must accept at the least.
constexpr std::size_t kUidsPerCommand = 500;
// libcurl counts a command's untagged answers as response headers, in a way that grows faster
// than their number, and gives up at 300 KB (about 150 one-line answers arriving at once):
// commands answered once per message (FETCH, MOVE and EXPUNGE) go in small slices.
constexpr std::size_t kAnswersPerCommand = 50;
// A SEARCH answer for this many UIDs stays one short line.
constexpr std::uint64_t kUidsPerSearch = 500;

size_t appendTo(char* data, size_t size, size_t count, void* sink) {
  static_cast<std::string*>(sink)->append(data, size * count);
  return size * count;
}

std::optional<std::uint32_t> numberAt(const std::string& text, std::size_t at) {
  std::uint32_t value = 0;
  const char* begin = text.data() + at;
  auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
  if (error != std::errc() || end == begin) return std::nullopt;
  return value;
}

// The number after "name " in an untagged answer such as "(UID 7 FLAGS (\Seen))".
std::optional<std::uint32_t> numberAfter(const std::string& line, const std::string& name) {
  const std::size_t at = line.find(name + " ");
  if (at == std::string::npos) return std::nullopt;
  return numberAt(line, at + name.size() + 1);
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::string uidSet(const std::vector<std::uint32_t>& uids) {
  std::string set;
  for (std::size_t i = 0; i < uids.size();) {
    std::size_t last = i;
    while (last + 1 < uids.size() && uids[last + 1] == uids[last] + 1) ++last;
    if (!set.empty()) set += ',';
    set += std::to_string(uids[i]);
    if (last > i) set += ':' + std::to_string(uids[last]);
    i = last + 1;
  }
  return set;
}

std::string quotedMailbox(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

ImapSession::ImapSession(PopSettings settings, bool implicitTls)
    : m_settings(std::move(settings)),
      m_implicitTls(implicitTls),
      m_trust(m_settings.pinnedCertificate) {}

bool ImapSession::setUp() {
  m_handle = newCurlEasy();
  if (!m_handle) {
    m_lastError = "IMAP: libcurl could not be set up";
    return false;
  }
  CURL* h = m_handle.get();
  m_transcript.attach(h);
  curl_easy_setopt(h, CURLOPT_USERNAME, m_settings.user.c_str());
  // Unticked SSL still upgrades when the server offers STARTTLS; imaps:// ignores this. A bearer
  // token never goes over a plain connection.
  const bool tlsRequired = m_settings.ssl || m_settings.oauth.used();
  curl_easy_setopt(h, CURLOPT_USE_SSL, tlsRequired ? CURLUSESSL_ALL : CURLUSESSL_TRY);
  const std::string mechanism = "AUTH=" + m_settings.oauth.mechanism;
  if (m_settings.oauth.used()) {
    curl_easy_setopt(h, CURLOPT_XOAUTH2_BEARER, m_settings.oauth.bearerToken.c_str());
    curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, mechanism.c_str());
  } else {
    curl_easy_setopt(h, CURLOPT_PASSWORD, m_settings.password.c_str());
    if (m_settings.spa) curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, "AUTH=NTLM");
  }
  applyServerLimits(h, m_settings.caFile, m_settings.timeoutSeconds);
  m_trust.attach(h);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendTo);
  return true;
}

std::string ImapSession::folderUrl() const {
  std::string url = std::string(m_implicitTls ? "imaps://" : "imap://") + m_settings.host + ":" +
                    std::to_string(m_settings.port) + "/";
  char* escaped = curl_easy_escape(nullptr, m_settings.imapFolder.c_str(),
                                   static_cast<int>(m_settings.imapFolder.size()));
  if (escaped) {
    url += escaped;
    curl_free(escaped);
  }
  return url;
}

bool ImapSession::perform(const std::string& what, const std::string& url, std::string* sink) {
  if (!m_handle && !setUp()) return false;
  CURL* h = m_handle.get();
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_WRITEDATA, sink);
  m_transcript.clear();
  m_lastCode = curl_easy_perform(h);
  if (m_lastCode != CURLE_OK) {
    m_lastError = "IMAP " + what + ": " + m_transcript.describe(m_lastCode);
    if (m_trust.refused()) m_lastError += "; " + m_trust.refusalText();
    return false;
  }
  return true;
}

bool ImapSession::command(const std::string& text, std::string* sink) {
  std::string ignored;
  if (!m_handle && !setUp()) return false;
  curl_easy_setopt(m_handle.get(), CURLOPT_CUSTOMREQUEST, text.c_str());
  const std::string what = text.substr(0, text.find(' ', text.find(' ') + 1));
  const bool ok = perform(what, folderUrl(), sink ? sink : &ignored);
  // Sticky: it would turn the next fetch into this command again.
  curl_easy_setopt(m_handle.get(), CURLOPT_CUSTOMREQUEST, nullptr);
  return ok;
}

std::optional<ImapSession::FolderStatus> ImapSession::status() {
  std::string answer;
  if (!command("STATUS " + quotedMailbox(m_settings.imapFolder) + " (UIDVALIDITY UIDNEXT)",
               &answer))
    return std::nullopt;
  auto validity = numberAfter(answer, "UIDVALIDITY");
  auto next = numberAfter(answer, "UIDNEXT");
  if (!validity || !next) {
    m_lastError = "IMAP STATUS: no UIDVALIDITY or UIDNEXT in the answer";
    return std::nullopt;
  }
  return FolderStatus{*validity, *next};
}

std::optional<std::vector<std::uint32_t>> ImapSession::searchAfter(std::uint32_t afterUid,
                                                                   std::uint32_t uidNext,
                                                                   const std::string& keyword) {
  std::vector<std::uint32_t> uids;
  // libcurl 7.88 loses parts of an answer line longer than its buffer (a SEARCH listing a few
  // thousand UIDs): ask for the UIDs a window at a time.
  for (std::uint64_t from = std::uint64_t{afterUid} + 1; from < uidNext; from += kUidsPerSearch) {
    const std::uint64_t to = std::min<std::uint64_t>(uidNext - 1, from + kUidsPerSearch - 1);
    std::string text = "UID SEARCH UID " + std::to_string(from) + ":" + std::to_string(to);
    if (!keyword.empty()) text += " UNKEYWORD " + keyword;
    std::string answer;
    if (!command(text, &answer)) return std::nullopt;
    for (const std::string& line : linesOf(answer)) {
      if (line.rfind("* SEARCH", 0) != 0) continue;
      std::istringstream numbers(line.substr(8));
      std::uint32_t uid = 0;
      while (numbers >> uid)
        if (uid > afterUid && uid < uidNext) uids.push_back(uid);
    }
  }
  std::sort(uids.begin(), uids.end());
  uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
  return uids;
}

std::optional<std::vector<std::uint32_t>> ImapSession::unseenOf(
    const std::vector<std::uint32_t>& uids) {
  std::vector<std::uint32_t> unseen;
  for (std::size_t from = 0; from < uids.size(); from += kAnswersPerCommand) {
    const std::size_t to = std::min(uids.size(), from + kAnswersPerCommand);
    std::vector<std::uint32_t> slice(uids.begin() + from, uids.begin() + to);
    std::string answer;
    if (!command("UID FETCH " + uidSet(slice) + " (FLAGS)", &answer)) return std::nullopt;
    for (const std::string& line : linesOf(answer)) {
      if (line.find(" FETCH (") == std::string::npos) continue;
      auto uid = numberAfter(line, "UID");
      if (uid && line.find("\\Seen") == std::string::npos) unseen.push_back(*uid);
    }
  }
  std::sort(unseen.begin(), unseen.end());
  return unseen;
}

std::optional<std::string> ImapSession::fetch(std::uint32_t uidValidity, std::uint32_t uid) {
  std::string message;
  const std::string url =
      folderUrl() + ";UIDVALIDITY=" + std::to_string(uidValidity) + "/;UID=" + std::to_string(uid);
  if (!perform("UID FETCH " + std::to_string(uid), url, &message)) return std::nullopt;
  return message;
}

bool ImapSession::forEachSet(const std::vector<std::uint32_t>& uids, const std::string& before,
                             const std::string& after, std::size_t perCommand) {
  for (std::size_t from = 0; from < uids.size(); from += perCommand) {
    const std::size_t to = std::min(uids.size(), from + perCommand);
    std::vector<std::uint32_t> slice(uids.begin() + from, uids.begin() + to);
    if (!command(before + uidSet(slice) + after, nullptr)) return false;
  }
  return true;
}

bool ImapSession::store(const std::vector<std::uint32_t>& uids, const std::string& change,
                        const std::string& flags) {
  return forEachSet(uids, "UID STORE ", " " + change + " " + flags, kUidsPerCommand);
}

bool ImapSession::move(const std::vector<std::uint32_t>& uids, const std::string& folder) {
  if (uids.empty()) return true;
  // An existing folder refuses CREATE; MOVE then says whether the folder is usable.
  const std::string target = quotedMailbox(folder);
  command("CREATE " + target, nullptr);
  if (forEachSet(uids, "UID MOVE ", " " + target, kAnswersPerCommand)) return true;
  // Without MOVE: copy, then remove only these messages (UID EXPUNGE leaves other mail alone).
  const std::string moveError = m_lastError;
  if (forEachSet(uids, "UID COPY ", " " + target, kUidsPerCommand) &&
      store(uids, "+FLAGS.SILENT", "(\\Deleted)") &&
      forEachSet(uids, "UID EXPUNGE ", "", kAnswersPerCommand))
    return true;
  m_lastError = moveError + "; " + m_lastError;
  return false;
}

void ImapSession::end() {
  m_handle.reset();
}

}  // namespace tidewell::mail
