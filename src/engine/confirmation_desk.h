#pragma once
// Confirmed opt-in on the engine's side: decides whether a sign-up must be confirmed, keeps the
// waiting ones in the pending file, turns a confirmed one into an active subscriber (or makes
// an opted-out one active again, its sent list kept) and writes the consent record of every
// subscriber made active. Made for one check cycle, command or dialog on the thread that owns
// the subscriber table; the pending file is loaded at construction and written by save().
#include <optional>
#include <string>
#include <string_view>

#include "consent/consent_log.h"
#include "consent/pending_signups.h"
#include "engine/deactivation_log.h"
#include "engine/engine_context.h"
#include "engine/subscriber_index.h"
#include "store/filter_record.h"

namespace tidewell::engine {

// The filter's "confirm": form (also when absent or unknown), all or none.
enum class ConfirmMode { kForm, kAll, kNone };
ConfirmMode confirmModeOf(const store::FilterRecord& filter);
// "confirmremind" (default 3) and "confirmexpire" (default 14) in days.
int remindDaysOf(const store::FilterRecord& filter);
int expireDaysOf(const store::FilterRecord& filter);

// Whether a sign-up for the filter waits for confirmation: always with "all", never with
// "none", and with "form" when the address came from the web form rather than from its sender.
bool needsConfirmation(const store::FilterRecord& filter, bool fromForm);

class ConfirmationDesk {
 public:
  // A pending file that cannot be read is reported; nothing is then written over it.
  ConfirmationDesk(EngineContext& context, SubscriberIndex& exactIndex);

  consent::PendingSignups& pending() { return m_pending; }

  // Keeps the sign-up until it is confirmed; the sending pass mails the confirmation. A second
  // sign-up of an address already waiting has its confirmation sent again.
  void hold(consent::PendingSignup signup);
  // The waiting sign-up becomes an active subscriber dated today (or its opted-out record is
  // made active again) with a consent line; false when nothing of the address waits there.
  bool confirm(std::string_view address, std::string_view filter, std::string_view how,
               std::string_view confirmationMessageId);
  // A sign-up that needs no confirmation: made active at once, with a consent line.
  void activate(const store::SubscriberData& data, std::string_view how,
                std::string_view signupMessageId, std::string_view ip);
  // Removes a waiting sign-up unconfirmed, with a log line; false when there was none.
  bool drop(std::string_view address, std::string_view filter, std::string_view why);
  // Writes the pending file when it changed; raises TrapError on failure.
  void save();

  // Switches the address off in the filter named by the filter's "autounsubscribe", with a
  // log line, as a sign-up for the filter does.
  void autoUnsubscribe(const store::FilterRecord& filter, std::string_view address,
                       std::string_view messageId);

  // The record of the address in the filter (exact), or none.
  std::optional<store::Position> recordOf(std::string_view address, std::string_view filter);

 private:
  // Makes the record active again, keeping its sent list; returns its position.
  store::Position reactivate(store::Position p, std::string_view how);
  void writeConsent(std::string_view address, std::string_view filter, std::string_view how,
                    std::string_view signupId, std::string_view confirmationId, std::string_view ip,
                    std::string_view textName, std::string_view textSha);

  EngineContext& m_context;
  SubscriberIndex& m_exact;
  consent::PendingSignups m_pending;
  DeactivationLog m_deactivationLog;
  bool m_loaded = false;
};

}  // namespace tidewell::engine
