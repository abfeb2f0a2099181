#include "engine/imap_check.h"

#include <algorithm>

#include "engine/incoming_processing.h"
#include "engine/login_failure.h"
#include "store/error.h"

namespace tidewell::engine {

namespace {

constexpr store::Procedure kProcedure = store::numberedProcedure("cmdCheckMail_click");

std::vector<std::uint32_t> unionOf(std::vector<std::uint32_t> a,
                                   const std::vector<std::uint32_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  std::sort(a.begin(), a.end());
  a.erase(std::unique(a.begin(), a.end()), a.end());
  return a;
}

}  // namespace

ImapCheck::ImapCheck(EngineContext& context, mail::MailClient& mailman,
                     std::filesystem::path statePath)
    : m_context(context), m_mailman(mailman), m_statePath(std::move(statePath)) {}

bool ImapCheck::receive(UnclaimedMessages& unclaimed) {
  auto& ui = m_context.ui();
  m_state = loadImapState(m_statePath);
  ui.showStatus("Logging into IMAP...");
  auto listing = listFolder();
  if (!listing) return false;
  ui.showProgress(0, 100);
  bool complete = true;
  if (listing->uids.empty()) {
    ui.showStatus("No New Messages");
    if (!m_state.unseen.empty() && restoreUnseen(m_state.unseen)) m_state.unseen.clear();
    saveImapState(m_statePath, m_state);
  } else {
    complete = download(*listing, unclaimed);
  }
  m_context.runner.run([&] { m_mailman.endPop3Session(); });
  return complete;
}

std::optional<mail::ImapListing> ImapCheck::listFolder() {
  std::optional<mail::ImapListing> listing;
  std::string reason;
  const std::uint32_t known = m_state.uidValidity;
  m_context.runner.run([&] {
    listing = m_mailman.listImapFolder(m_state.highestRead);
    // Another UIDVALIDITY numbers every message anew: read the folder from its start. What was
    // handled carries the keyword or was moved away, and the subscriber table knows who is in.
    if (listing && listing->uidValidity != known && m_state.highestRead != 0)
      listing = m_mailman.listImapFolder(0);
    if (!listing) reason = m_mailman.lastError();
  });
  if (!listing) {
    reportFailure("Logging into IMAP failed: " + reason);
    m_context.ui().showStatus(loginFailureStatus("IMAP", reason));
    m_context.runner.run([&] { m_mailman.endPop3Session(); });
    return listing;
  }
  if (listing->uidValidity != known) m_state = ImapState{listing->uidValidity, 0, {}};
  return listing;
}

bool ImapCheck::restoreUnseen(const std::vector<std::uint32_t>& uids) {
  bool restored = false;
  std::string reason;
  m_context.runner.run([&] {
    restored = m_mailman.restoreUnseen(uids);
    if (!restored) reason = m_mailman.lastError();
  });
  if (!restored) reportFailure("Marking messages unread again on IMAP failed: " + reason);
  return restored;
}

bool ImapCheck::download(const mail::ImapListing& listing, UnclaimedMessages& unclaimed) {
  auto& ui = m_context.ui();
  // Reading sets \Seen: remember what to take it off again before anything is read, so a check
  // killed half way still gives the operator's unread mail back as unread. What a killed check
  // left behind looks read in the listing and is in the state already.
  m_state.unseen = unionOf(m_state.unseen, listing.unseen);
  saveImapState(m_statePath, m_state);
  ui.showStatus("Downloading New Emails...");
  mail::FetchResult fetched;
  std::string reason;
  m_context.runner.run([&] {
    fetched = m_mailman.fetchImapMessages(listing.uidValidity, listing.uids);
    if (!fetched.complete) reason = m_mailman.lastError();
  });
  if (restoreUnseen(m_state.unseen)) m_state.unseen.clear();
  IncomingProcessor processor(m_context);
  // Messages left when the program is asked to end stay above the highest read, for the next
  // check.
  std::vector<std::uint32_t> handled;
  std::uint32_t highest = m_state.highestRead;
  processor.readAll(fetched.messages, [&](std::size_t i, bool wasHandled) {
    const std::uint32_t uid = listing.uids[i];
    if (wasHandled) handled.push_back(uid);
    highest = std::max(highest, uid);
  });
  // Handled only once their subscribers are safely on disk; otherwise the next check reads
  // them again.
  if (!processor.saveCaptures(kProcedure)) {
    saveImapState(m_statePath, m_state);
    return false;
  }
  // Marked before the state moves on: a check killed in between reads them once more, and the
  // subscriber table already holds their sign-ups.
  markHandled(handled);
  m_state.highestRead = highest;
  saveImapState(m_statePath, m_state);
  // Only reports read to the end count, so a report read again after a crash counts once.
  processor.finish();
  unclaimed = processor.unclaimed();
  if (!fetched.complete) {
    reportFailure("Downloading from IMAP broke off: " + reason);
    return false;
  }
  ui.showStatus("Ready");
  return true;
}

void ImapCheck::markHandled(const std::vector<std::uint32_t>& uids) {
  bool marked = false;
  std::string reason;
  m_context.runner.run([&] {
    marked = m_mailman.markHandled(uids);
    if (!marked) reason = m_mailman.lastError();
  });
  if (!marked) reportFailure("Marking handled messages on IMAP failed: " + reason);
}

void ImapCheck::reportFailure(const std::string& what) {
  m_context.trap.report(kProcedure, {store::ErrorNumber::kMailTransfer, what});
}

}  // namespace tidewell::engine
