#pragma once
// One IMAP session on one libcurl easy handle, on one folder: UIDVALIDITY, searching by UID,
// flags, fetching by UID, storing flags and moving messages. libcurl sends one command per
// transfer and keeps the folder selected between them. Transfer thread only.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mail/certificate_trust.h"
#include "mail/curl_handle.h"
#include "mail/curl_transcript.h"
#include "mail/mail_settings.h"

namespace tidewell::mail {

class ImapSession {
 public:
  // implicitTls: TLS from the first byte (imaps); otherwise STARTTLS, required when settings.ssl.
  ImapSession(PopSettings settings, bool implicitTls);
  ImapSession(const ImapSession&) = delete;
  ImapSession& operator=(const ImapSession&) = delete;

  struct FolderStatus {
    std::uint32_t uidValidity = 0;
    std::uint32_t uidNext = 0;  // every message there now has a lower UID
  };
  // Logs in on first use; the folder's UIDVALIDITY and UIDNEXT.
  std::optional<FolderStatus> status();
  // UIDs above afterUid and below uidNext without the keyword (none: every one), ascending.
  std::optional<std::vector<std::uint32_t>> searchAfter(std::uint32_t afterUid,
                                                        std::uint32_t uidNext,
                                                        const std::string& keyword);
  // Of these UIDs, those without \Seen.
  std::optional<std::vector<std::uint32_t>> unseenOf(const std::vector<std::uint32_t>& uids);
  // The raw message; a UIDVALIDITY other than the folder's fails.
  std::optional<std::string> fetch(std::uint32_t uidValidity, std::uint32_t uid);
  // "+FLAGS.SILENT" or "-FLAGS.SILENT" with a flag list such as "(\Seen)".
  bool store(const std::vector<std::uint32_t>& uids, const std::string& change,
             const std::string& flags);
  // Creates the folder when missing, then moves the messages into it.
  bool move(const std::vector<std::uint32_t>& uids, const std::string& folder);
  // LOGOUT.
  void end();

  const std::string& lastError() const { return m_lastError; }
  // The server refused the log-in (a wrong password or a bearer token it no longer takes).
  bool logInRefused() const { return m_lastCode == CURLE_LOGIN_DENIED; }

 private:
  bool setUp();
  std::string folderUrl() const;
  // One command on the selected folder; its untagged answers go to sink.
  bool command(const std::string& text, std::string* sink);
  bool perform(const std::string& what, const std::string& url, std::string* sink);
  // The command for each slice of the UIDs, kept short enough for any server's line limit.
  bool forEachSet(const std::vector<std::uint32_t>& uids, const std::string& before,
                  const std::string& after, std::size_t perCommand);

  PopSettings m_settings;
  bool m_implicitTls;
  CurlEasyPtr m_handle;
  CurlTranscript m_transcript;
  CURLcode m_lastCode = CURLE_OK;
  std::string m_lastError;
  CertificateTrust m_trust;  // outlives the handle, which calls into it
};

// "1:3,7,9:10" for 1 2 3 7 9 10 (the UIDs ascending).
std::string uidSet(const std::vector<std::uint32_t>& uids);
// The folder name as an IMAP quoted string.
std::string quotedMailbox(const std::string& name);

}  // namespace tidewell::mail
