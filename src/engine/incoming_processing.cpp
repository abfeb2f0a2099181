#include "engine/incoming_processing.h"

#include "consent/confirmation_code.h"
#include "engine/bounce_handling.h"
#include "engine/kit_messages.h"
#include "engine/never_signups.h"
#include "engine/optout_token.h"
#include "engine/personalisation.h"
#include "engine/web_kit_links.h"
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
      m_desk(context, m_exact),
      m_kitSender(context.settings.webkit.empty()
                      ? std::string()
                      : kitSenderAddress(context.settings.webkit, context.settings.from_email)),
      m_suppressed(consent::SuppressionList::pathFor(context.profile.path())) {}

void IncomingProcessor::finish() {
  m_bounces.finish();
  m_context.trap.run(kProcedure, [&] { m_suppressed.save(); });
}

bool IncomingProcessor::saveCaptures(store::Procedure procedure) {
  if (m_context.table.changed() && !m_context.subscriberFile.Save_Email(m_context.table)) {
    return false;
  }
  return m_context.trap.run(procedure, [&] { m_desk.save(); });
}

void IncomingProcessor::readAll(const std::vector<mail::IncomingMessage>& messages,
                                const std::function<void(std::size_t i, bool handled)>& after) {
  auto& ui = m_context.ui();
  ui.showStatus("New messages Downloaded. Processing...");
  const auto count = static_cast<std::int64_t>(messages.size());
  const std::int64_t maximum = std::max<std::int64_t>(count - 1, 1);
  ui.showProgress(0, maximum);
  // Indexing a large table takes long enough to freeze a window; nothing changes the table
  // during a cycle, so the transfer thread may read it meanwhile.
  if (count > 0) m_context.runner.run([&] { prepareIndexes(); });
  for (std::int64_t i = 0; i < count && !m_context.stopping(); ++i) {
    const auto index = static_cast<std::size_t>(i);
    after(index, ListMessages(messages[index]));
    ui.showProgress(i, maximum);
  }
}

void IncomingProcessor::prepareIndexes() {
  m_exact.prepare();
  m_folded.prepare();
}

bool IncomingProcessor::ListMessages(const mail::IncomingMessage& message) {
  bool handled = false;
  m_context.trap.run(kProcedure, [&] {
    if (!message.parseError.empty()) {
      store::raise(store::ErrorNumber::kBadFormat,
                   "Message " + message.uidl + " could not be read: " + message.parseError);
    }
    MessageView view{message.subject, message.body, message.senderAddress};
    // An automatic answer (out of office, vacation) to a newsletter may quote its subject and
    // opt-out text; it never signs anybody up or off.
    const bool automatic = isAutoSubmitted(message.fullText);
    if (!automatic && takenBeforeRules(message, view)) {
      handled = true;
      return;
    }
    const std::string list =
        m_context.settings.from_email == store::kAbsent ? "" : m_context.settings.from_email;
    const store::FilterRecord* filter = nullptr;
    if (!automatic && !neverSignUpReason(message, list, m_kitSender)) {
      filter = m_matcher.claimingFilter(view);
    }
    if (filter) {
      capture(message, *filter);
      handled = true;
    } else {
      handled = notASignUp(message, automatic, false);
    }
  });
  return handled;
}

bool IncomingProcessor::notASignUp(const mail::IncomingMessage& message, bool automatic,
                                   bool alreadySubscribed) {
  if (m_bounces.handle(message)) return true;
  if (!automatic && !alreadySubscribed) m_unclaimed.add(message.subject);
  return alreadySubscribed;
}

bool IncomingProcessor::takenBeforeRules(const mail::IncomingMessage& message,
                                         const MessageView& view) {
  if (kitConfirmationOf(message.body)) {
    const store::FilterRecord* filter =
        store::findFilter(m_context.table.filterList(), message.subject);
    if (filter) {
      kitConfirmation(message, *filter);
    } else {
      m_context.trap.report(kProcedure, {store::ErrorNumber::kBadFormat,
                                         "Confirmation in message " + message.uidl +
                                             " ignored: " + message.subject + " is no filter"});
    }
    return true;
  }
  // The kit's sign-ups carry "@@@" too, and their subject may be a filter's title: the form's
  // e-mail field tells them from an opt-out.
  const bool kitSignUp = message.body.find("@@@input1@@@=") != std::string::npos;
  const store::FilterRecord* filter = kitSignUp ? nullptr : m_matcher.optOutFilter(view);
  if (filter) {
    optOut(message, *filter);
    return true;
  }
  return replyConfirmation(message);
}

void IncomingProcessor::kitConfirmation(const mail::IncomingMessage& message,
                                        const store::FilterRecord& filter) {
  std::optional<KitConfirmation> kit = kitConfirmationOf(message.body);
  if (!confirmationTokenValid(m_context.settings.webkitkey, kit->address, filter.title,
                              kit->token)) {
    m_context.trap.report(kProcedure, {store::ErrorNumber::kBadFormat,
                                       "Confirmation of " + kit->address + " for " + filter.title +
                                           " ignored: its token is not this profile's"});
    return;
  }
  if (!m_desk.confirm(kit->address, filter.title, "form-confirmed-link", message.messageId)) {
    m_context.trap.note(kProcedure, {0, "Confirmation of " + kit->address + " for " + filter.title +
                                            " found no sign-up waiting"});
    return;
  }
  // The person asked for the list themself: an old bounce or import entry no longer holds.
  m_suppressed.liftAutomatic(kit->address);
}

bool IncomingProcessor::replyConfirmation(const mail::IncomingMessage& message) {
  bool confirmed = false;
  for (consent::PendingSignup* signup : m_desk.pending().findAddress(message.senderAddress)) {
    if (!consent::subjectHoldsCode(message.subject, signup->code)) continue;
    std::string filter = signup->filter;
    std::string address = signup->address;
    confirmed = m_desk.confirm(address, filter, "form-confirmed-reply", message.messageId);
    if (confirmed) m_suppressed.liftAutomatic(address);
    break;  // confirm() changed the list the pointers point into
  }
  return confirmed;
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
  m_desk.drop(address, filter.title, "the address opted out");
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
  std::optional<store::Position> existing = m_desk.recordOf(data.email, filter.title);
  const bool optedOut = existing && m_context.table.active(*existing) != "true";
  if (existing && !optedOut) {
    notASignUp(message, false, true);
    return;
  }
  const bool fromForm = !store::equalsIgnoreCase(data.email, message.senderAddress);
  std::string ip = formMarkerValue(message.body, "ip");
  if (!needsConfirmation(filter, fromForm)) {
    m_desk.autoUnsubscribe(filter, data.email, message.messageId);
    m_desk.activate(data, "mail", message.messageId, ip);
    return;
  }
  consent::PendingSignup signup;
  signup.address = data.email;
  signup.filter = filter.title;
  signup.date = m_context.clock().today();
  signup.time = m_context.clock().timeText();
  signup.pmf = data.pmf;
  signup.signupMessageId = message.messageId;
  signup.ip = ip;
  signup.name = data.name;
  signup.code = consent::newConfirmationCode();
  // A form sent by a kit written before confirmation pages existed has no kit marker: its
  // sign-ups are confirmed by reply.
  signup.linkAllowed = !fromForm || !formMarkerValue(message.body, "kit").empty();
  m_desk.hold(std::move(signup));
  if (optedOut) {
    m_context.trap.note(kProcedure, {0, "Subscriber " + data.email + " of " + filter.title +
                                            " who had left signed up again; active again "
                                            "once confirmed"});
  }
}

bool IncomingProcessor::suppressedAtCapture(const store::SubscriberData& data,
                                            const mail::IncomingMessage& message,
                                            const store::FilterRecord& filter) {
  const consent::SuppressionList::Entry* entry = m_suppressed.blockingEntry(data.email);
  if (!entry) return false;
  std::string reason = entry->reason;
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
