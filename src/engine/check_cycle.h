#pragma once
// One check cycle: log into the mailbox, download the messages not seen before, process each,
// save the subscribers, delete the messages from the server when the profile asks, remember them
// as seen, then run a sending pass. Made for one cycle by the mail engine; its transfers
// go through the transfer runner, everything else runs on the calling thread.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine_context.h"
#include "engine/login_failure.h"
#include "engine/unclaimed_messages.h"
#include "mail/mail_client.h"

namespace tidewell::engine {

class CheckCycle {
 public:
  CheckCycle(EngineContext& context, SendCounters& counters, mail::MailClient& mailman,
             std::filesystem::path seenStore);

  // cmdCheckMail_click. onSent runs when the sending pass sent something (the grid reloads).
  // The messages no rule read are listed in one activity.log line at the end.
  void run(const std::function<void()>& onSent);
  // Why the POP3 log-in failed, when it did.
  std::optional<LoginFailure> loginFailure() const { return m_loginFailure; }

 private:
  void send(const std::function<void()>& onSent);
  // False when the cycle must end before the sending pass.
  bool receive();
  std::optional<std::vector<std::string>> listMailbox();
  // Processes what arrived and saves; false when the download broke off.
  bool download(const std::vector<std::string>& serverUidls,
                const std::vector<std::string>& newUidls,
                const std::vector<std::string>& seenUidls);
  void markSeen(const std::vector<std::string>& serverUidls,
                const std::vector<std::string>& seenUidls,
                const std::vector<std::string>& processed);
  void deleteFromServer(const std::vector<std::string>& processed);
  void reportTransferFailure(const std::string& what);

  EngineContext& m_context;
  SendCounters& m_counters;
  mail::MailClient& m_mailman;
  std::filesystem::path m_seenStore;
  UnclaimedMessages m_unclaimed;
  std::optional<LoginFailure> m_loginFailure;
};

}  // namespace tidewell::engine
