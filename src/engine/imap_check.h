#pragma once
// The receiving half of a check cycle over IMAP: reads the folder's messages above the highest
// UID read before, processes them as any downloaded message, then marks or moves only those a
// rule handled and gives every other message back its \Seen flag as it was. Made for one cycle
// by the check cycle; transfers go through the transfer runner.
#include <filesystem>
#include <string>

#include "engine/engine_context.h"
#include "engine/imap_state.h"
#include "engine/unclaimed_messages.h"
#include "mail/mail_client.h"

namespace tidewell::engine {

class ImapCheck {
 public:
  ImapCheck(EngineContext& context, mail::MailClient& mailman, std::filesystem::path statePath);

  // False when the cycle must end before the sending pass. The messages no rule read are
  // added to unclaimed.
  bool receive(UnclaimedMessages& unclaimed);

 private:
  std::optional<mail::ImapListing> listFolder();
  bool download(const mail::ImapListing& listing, UnclaimedMessages& unclaimed);
  bool restoreUnseen(const std::vector<std::uint32_t>& uids);
  void markHandled(const std::vector<std::uint32_t>& uids);
  void reportFailure(const std::string& what);

  EngineContext& m_context;
  mail::MailClient& m_mailman;
  std::filesystem::path m_statePath;
  ImapState m_state;
};

}  // namespace tidewell::engine
