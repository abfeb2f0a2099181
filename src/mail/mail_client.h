#pragma once
// The boundary between the engine and the mail servers: one POP3 session per check cycle and one
// SMTP connection per sending pass. A client is used by one thread at a time (the transfer
// thread), never by two at once; the engine never touches subscribers from inside a call.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mail/mail_message.h"
#include "mail/mail_settings.h"
#include "mail/smtp_reply.h"

namespace tidewell::mail {

// Download progress in percent; called on the thread that runs the transfer.
using ProgressCallback = std::function<void(int percent)>;

// The messages fetched for a list of UIDLs, in list order. A transfer that failed part way
// leaves complete false: messages holds those that arrived before the failure.
struct FetchResult {
  std::vector<IncomingMessage> messages;
  bool complete = true;
};

// An IMAP folder at log-in: its UIDVALIDITY and the messages after the given UID that were not
// handled yet, in UID order, with those that had no \Seen flag (reading a message sets it).
struct ImapListing {
  std::uint32_t uidValidity = 0;
  std::vector<std::uint32_t> uids;
  std::vector<std::uint32_t> unseen;
};

// What a send answered: 1 when the server accepted the message, anything else when it did not.
inline constexpr int kSendAccepted = 1;

// A message made ready for sending in the client's own form (for the real client, the bytes that
// follow DATA), so that the next message can be made while the last one is on its way.
struct PreparedMessage {
  OutgoingMessage message;
  std::string data;      // empty when the client makes the message as it sends
  std::string warnings;  // attachments left out, for the error log
};

// What became of one message of a batch.
struct SendResult {
  bool accepted = false;
  std::string error;  // for the error log
  SmtpReply reply;
};

class MailClient {
 public:
  virtual ~MailClient() = default;

  virtual void setPop3(const PopSettings& settings) = 0;
  virtual void setSmtp(const SmtpSettings& settings) = 0;
  virtual void setProgress(ProgressCallback progress) = 0;

  // Logs into the mailbox (the session stays open until endPop3Session) and lists every UIDL
  // in server order; nothing when the log-in or the listing failed.
  virtual std::optional<std::vector<std::string>> fetchUidls() = 0;
  // Downloads the messages with these UIDLs on the open session. A message that arrives but
  // cannot be read comes back with parseError set.
  virtual FetchResult fetchMessages(const std::vector<std::string>& uidls) = 0;
  // Marks the messages for deletion; the server deletes them when the session ends normally.
  virtual bool deleteMessages(const std::vector<std::string>& uidls) = 0;
  // Ends the POP3 session (QUIT), which commits deletions, or the IMAP session (LOGOUT).
  virtual void endPop3Session() = 0;

  // IMAP (settings.imap): selects the folder and lists its messages with a UID above afterUid
  // that do not carry the done keyword; nothing when the log-in or the listing failed.
  virtual std::optional<ImapListing> listImapFolder(std::uint32_t afterUid) {
    (void)afterUid;
    return std::nullopt;
  }
  // Downloads these UIDs on the open session; a renumbered folder (another UIDVALIDITY) fails
  // the transfer rather than fetch other messages. Each message's uidl is its UID in decimal.
  virtual FetchResult fetchImapMessages(std::uint32_t uidValidity,
                                        const std::vector<std::uint32_t>& uids) {
    (void)uidValidity;
    return {{}, uids.empty()};
  }
  // Takes the \Seen flag off again (fetching set it).
  virtual bool restoreUnseen(const std::vector<std::uint32_t>& uids) { return uids.empty(); }
  // Gives the messages the done keyword and/or moves them to the done folder.
  virtual bool markHandled(const std::vector<std::uint32_t>& uids) { return uids.empty(); }

  // Sends one message over the pass's connection (opened on first use).
  virtual int send(const OutgoingMessage& message) = 0;
  // The same in two steps: prepare may run on the calling thread while sendPrepared of the
  // message before is running on the transfer thread; never two sendPrepared at once.
  virtual PreparedMessage prepare(OutgoingMessage message) { return {std::move(message), {}, {}}; }
  virtual int sendPrepared(const PreparedMessage& prepared) { return send(prepared.message); }
  virtual void endSmtpSession() = 0;
  // How many SMTP connections a batch may use at once (1 to 8).
  virtual void setConnections(int count) { (void)count; }
  // Sends the messages, several at once where the client can; accepted(i) runs on the
  // transfer thread the moment message i was accepted. Results in the order of the messages.
  virtual std::vector<SendResult> sendBatch(const std::vector<const PreparedMessage*>& batch,
                                            const std::function<void(std::size_t)>& accepted) {
    std::vector<SendResult> results(batch.size());
    for (std::size_t i = 0; i < batch.size(); ++i) {
      results[i].accepted = sendPrepared(*batch[i]) == kSendAccepted;
      if (results[i].accepted) {
        if (accepted) accepted(i);
      } else {
        results[i].error = lastError();
        results[i].reply = lastSmtpReply();
      }
    }
    return results;
  }

  // Why the last operation failed, for the error log: the server's reply or the library's text.
  virtual std::string lastError() const = 0;
  // The reply that refused the last message a send did not get accepted.
  virtual SmtpReply lastSmtpReply() const { return {}; }
};

// Makes a new client for each check cycle (and for a forced send before the first cycle).
using MailClientFactory = std::function<std::unique_ptr<MailClient>()>;

}  // namespace tidewell::mail
