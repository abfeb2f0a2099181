#include "engine/incoming_processing.h"

#include "engine/bounce_handling.h"
#include "engine/kit_messages.h"
#include "engine/optout_token.h"
#include "engine/personalisation.h"
#include "store/address_check.h"
#include "store/error.h"
#include "store/pmf_string.h"
#include "store/text.h"

namespace tidewell::engine {

namespace {

constexpr store::Procedure kProcedure = store::numberedProcedure("ListMessages");

// "email[/\]address[\/]name[/\]the name", then each further field as "[\/]name[/\]value", or
// "[\/]_[/\]" when it has no value.
std::string pmfFromFields(const std::string& address, const store::FieldTable& fields) {
  std::string pmf = "email";
  pmf.append(store::kPmfNameEnd).append(store::withoutPmfSeparators(address));
  pmf.append(store::kPmfItemEnd).append(fields[1].name).append(store::kPmfNameEnd);
  pmf.append(store::withoutPmfSeparators(fields[1].value));
  for (std::size_t k = 2; k < store::kPersonalFieldCount; ++k) {
    pmf.append(store::kPmfItemEnd);
    if (fields[k].value.empty()) {
      pmf.append("_").append(store::kPmfNameEnd);
    } else {
      pmf.append(fields[k].name).append(store::kPmfNameEnd).append(fields[k].value);
    }
  }
  return pmf;
}

}  // namespace

store::SubscriberData newSubscriber(store::ErrorTrap& trap, const mail::IncomingMessage& message,
                                    const store::FilterRecord& filter, const store::Date& today,
                                    std::string_view delimiter) {
  Extraction extraction = ExtractFields(message.body, filter);
  store::FieldTable& fields = extraction.fields;
  store::SubscriberData data;
  data.email = fields[0].value.empty() ? message.senderAddress : fields[0].value;
  data.signup = today;
  data.filterTitle = filter.title;
  std::string name = fields[1].value;
  if (name.empty() && extraction.formFound) {
    data.name = f_fill_fields2(trap, "toname", filter, fields, nullptr, delimiter);
    data.pmf = std::move(extraction.pmf);
    return data;
  }
  if (name.empty()) name = message.senderName;
  if (name.empty()) name = message.senderAddress;
  data.name = name;
  fields[0].value = message.senderAddress;
  fields[1].value = name;
  data.pmf = pmfFromFields(data.email, fields);
  return data;
}

IncomingProcessor::IncomingProcessor(EngineContext& context)
    : m_context(context),
      m_matcher(context.table.filterList()),
      m_exact(context.table, SubscriberIndex::Comparison::kExact),
      m_folded(context.table, SubscriberIndex::Comparison::kIgnoreCase),
      m_deactivationLog(context.profileFolder, context.trap),
      m_bounces(context, m_folded, m_deactivationLog),
      m_suppressed(consent::SuppressionList::pathFor(context.profile.path())) {}

void IncomingProcessor::finish() {
  m_bounces.finish();
  m_context.trap.run(kProcedure, [&] { m_suppressed.save(); });
}

void IncomingProcessor::prepareIndexes() {
  m_exact.prepare();
  m_folded.prepare();
}

void IncomingProcessor::ListMessages(const mail::IncomingMessage& message) {
  m_context.trap.run(kProcedure, [&] {
    if (!message.parseError.empty()) {
      store::raise(store::ErrorNumber::kBadFormat,
                   "Message " + message.uidl + " could not be read: " + message.parseError);
    }
    MessageView view{message.subject, message.body, message.senderAddress};
    // An automatic answer (out of office, vacation) to a newsletter may quote its subject and
    // opt-out text; it never signs anybody up or off.
    const bool automatic = isAutoSubmitted(message.fullText);
    MatchResult match =
        automatic ? MatchResult{} : m_matcher.MatchFilter(view, m_context.table, m_exact);
    switch (match.kind) {
      case MatchResult::Kind::kSignUp:
        if (match.unsubscribed) logSwitchOff(*match.unsubscribed, "auto-unsubscribe", message);
        capture(message, *match.filter);
        break;
      case MatchResult::Kind::kOptOut:
        optOut(message, *match.filter);
        break;
      case MatchResult::Kind::kNone:
        if (!m_bounces.handle(message) && !automatic && !match.alreadySubscribed) {
          m_unclaimed.add(message.subject);
        }
        break;
    }
  });
}

void IncomingProcessor::optOut(const mail::IncomingMessage& message,
                               const store::FilterRecord& filter) {
  std::string address = message.senderAddress;
  if (std::optional<KitOptOut> kit = kitOptOutOf(message.body)) {
    if (!optOutTokenValid(m_context.settings.webkitkey, kit->address, filter.title, kit->token)) {
      m_context.trap.report(kProcedure, {store::ErrorNumber::kBadFormat,
                                         "Opt-out of " + kit->address + " from " + filter.title +
                                             " ignored: its token is not this profile's"});
      return;
    }
    address = kit->address;
  }
  for (store::Position p :
       DeactivateSubscriber(m_context.table, m_exact, address, message.subject)) {
    logSwitchOff(p, "opt-out", message);
  }
}

void IncomingProcessor::logSwitchOff(store::Position p, std::string_view reason,
                                     const mail::IncomingMessage& message) {
  const auto& table = m_context.table;
  m_deactivationLog.write(table.record(p).email(), table.filterTitle(p),
                          {reason, "", message.messageId});
}

void IncomingProcessor::capture(const mail::IncomingMessage& message,
                                const store::FilterRecord& filter) {
  store::SubscriberData data = newSubscriber(m_context.trap, message, filter,
                                             m_context.clock().today(), m_context.fieldDelimiter);
  if (std::optional<std::string> reason = store::invalidAddressReason(data.email)) {
    m_context.trap.report(kProcedure, {store::ErrorNumber::kBadFormat,
                                       "Sign-up for " + filter.title + " in message " +
                                           message.uidl + " not captured: " + *reason});
    return;
  }
  if (suppressedAtCapture(data, message, filter)) return;
  m_context.table.add(data);
  m_context.table.setChanged();
}

bool IncomingProcessor::suppressedAtCapture(const store::SubscriberData& data,
                                            const mail::IncomingMessage& message,
                                            const store::FilterRecord& filter) {
  const consent::SuppressionList::Entry* entry = m_suppressed.blockingEntry(data.email);
  if (!entry) return false;
  std::string reason = entry->reason;
  // MERGE: a confirmed sign-up lifts the entry the same way (call m_suppressed.liftAutomatic
  // where the confirmation makes the subscriber).
  if (store::equalsIgnoreCase(data.email, message.senderAddress) &&
      m_suppressed.liftAutomatic(data.email)) {
    entry = m_suppressed.blockingEntry(data.email);
    if (!entry) return false;
    reason = entry->reason;
  }
  m_context.trap.note(
      kProcedure, {store::ErrorNumber::kBadFormat,
                   "Sign-up for " + filter.title + " in message " + message.uidl +
                       " not captured: the address is on the suppression list (" + reason + ")"});
  return true;
}

}  // namespace tidewell::engine
