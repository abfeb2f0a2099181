#include "engine/bounce_handling.h"

#include "engine/verp_tag.h"
#include "store/date_text.h"
#include "store/error.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::engine {

namespace {

constexpr store::Procedure kProcedure = store::numberedProcedure("ListMessages");

}  // namespace

std::vector<store::Position> DeactivateSubscriber(store::SubscriberTable& table,
                                                  SubscriberIndex& exactIndex,
                                                  std::string_view address,
                                                  std::string_view filterTitle) {
  std::vector<store::Position> switched;
  for (store::Position p : exactIndex.find(address)) {
    if (table.filterTitle(p) != filterTitle) continue;
    table.setActive(p, "false");
    table.setChanged();
    switched.push_back(p);
  }
  return switched;
}

std::string ExtractLabeledValue(std::string_view text, std::string_view label,
                                std::string_view terminator) {
  std::size_t p = text.find(label);
  if (p == std::string_view::npos) return {};
  std::size_t start = p + label.size();
  std::size_t q = terminator.empty() ? text.find('\n', start) : text.find(terminator, start);
  if (q == std::string_view::npos) return {};
  if (terminator.empty() && q > start && text[q - 1] == '\r') --q;
  std::string value(store::trim(text.substr(start, q - start)));
  if (terminator == ">") {
    std::size_t open = value.find('<');
    if (open != std::string::npos) value = std::string(store::trim(value.substr(open + 1)));
  }
  return value;
}

int switchOffFailedAddress(store::SubscriberTable& table, SubscriberIndex& foldedIndex,
                           DeactivationLog& log, std::string_view address,
                           const SwitchOffReason& why) {
  int switched = 0;
  for (store::Position p : foldedIndex.find(address)) {
    if (table.active(p) == "false") continue;
    table.setActive(p, "false");
    table.setChanged();
    log.write(table.record(p).email(), table.filterTitle(p), why);
    ++switched;
  }
  return switched;
}

int switchOffFailedAddress(EngineContext& context, std::string_view address,
                           std::string_view status) {
  SubscriberIndex folded(context.table, SubscriberIndex::Comparison::kIgnoreCase);
  DeactivationLog log(context.profileFolder, context.trap);
  return switchOffFailedAddress(context.table, folded, log, address,
                                {"bounce: permanent failure", status, ""});
}

void suppressFailedAddress(EngineContext& context, std::string_view address) {
  context.trap.run(kProcedure, [&] {
    consent::SuppressionList list(consent::SuppressionList::pathFor(context.profile.path()));
    if (list.add(address, context.clock().today(), "bounce")) list.save();
  });
}

BounceHandler::BounceHandler(EngineContext& context, SubscriberIndex& foldedIndex,
                             DeactivationLog& log)
    : m_context(context),
      m_folded(foldedIndex),
      m_log(log),
      m_counts(BounceCounts::pathFor(context.profile.path())),
      m_suppressed(consent::SuppressionList::pathFor(context.profile.path())) {}

bool BounceHandler::handle(const mail::IncomingMessage& message) {
  ReportReading reading = readDeliveryReport(message);
  if (!m_context.deactivateOnFailureReports || !reading.isReport || reading.recipients.empty()) {
    return reading.isReport;
  }
  if (std::optional<std::string> tagged = taggedRecipient(reading)) {
    // A tagged report is about one recipient: the one of the tag, with the status the report
    // gives it (or the only status it gives).
    RecipientStatus about = reading.recipients.front();
    for (const auto& r : reading.recipients) {
      if (r.address == *tagged) about = r;
    }
    about.address = *tagged;
    apply(about, message);
    return true;
  }
  if (std::optional<std::string> original = originalRecipient(reading)) {
    RecipientStatus about = reading.recipients.front();
    about.address = *original;
    apply(about, message);
    return true;
  }
  for (const RecipientStatus& r : reading.recipients) apply(r, message);
  return true;
}

std::optional<std::string> BounceHandler::originalRecipient(const ReportReading& reading) const {
  if (reading.recipients.size() != 1 || !reading.recipients.front().address.empty() ||
      reading.originalTo.empty()) {
    return std::nullopt;
  }
  if (!store::equalsIgnoreCase(reading.originalFrom, m_context.settings.from_email))
    return std::nullopt;
  if (m_folded.find(reading.originalTo).empty()) return std::nullopt;
  return reading.originalTo;
}

void BounceHandler::apply(const RecipientStatus& r, const mail::IncomingMessage& message) {
  switch (r.bounceClass) {
    case BounceClass::kPermanent:
      if (r.address.empty() || m_folded.find(r.address).empty()) return;
      switchOffFailedAddress(m_context.table, m_folded, m_log, r.address,
                             {"bounce: permanent failure", r.status, message.messageId});
      m_suppressed.add(r.address, m_context.clock().today(), "bounce");
      return;
    default:
      // A report that names nobody readable is at least logged.
      if (countsAsStrike(r) && !r.address.empty()) {
        countStrike(r, message);
      } else {
        logOnly(r, message);
      }
  }
}

void BounceHandler::countStrike(const RecipientStatus& r, const mail::IncomingMessage& message) {
  if (r.address.empty() || m_folded.find(r.address).empty()) return;
  const BounceCounts::Entry& strikes = m_counts.addStrike(r.address, m_context.clock().today());
  if (static_cast<int>(strikes.days.size()) < kStrikeDaysToSwitchOff) return;
  switchOffFailedAddress(m_context.table, m_folded, m_log, r.address,
                         {"bounce: failures on three different days", r.status, message.messageId});
  m_counts.forget(r.address);
}

std::optional<std::string> BounceHandler::taggedRecipient(const ReportReading& reading) {
  const std::string& list = m_context.settings.from_email;
  for (const std::string& path : reading.returnPaths) {
    std::optional<std::string> tag = tagOf(path, list);
    if (!tag) continue;
    if (!m_tags) {
      m_tags.emplace();
      const auto& table = m_context.table;
      for (store::Position p = 0; !table.isEmpty() && p < table.size(); ++p) {
        if (table.record(p).isDeleted()) continue;
        std::string address = foldAscii(table.record(p).email());
        m_tags->emplace(verpTag(address), address);
      }
    }
    if (auto it = m_tags->find(*tag); it != m_tags->end()) return it->second;
  }
  return std::nullopt;
}

void BounceHandler::logOnly(const RecipientStatus& r, const mail::IncomingMessage& message) {
  std::string what = r.bounceClass == BounceClass::kAutoReply
                         ? "Automatic answer from " + (r.address.empty() ? "?" : r.address)
                         : "Delivery report, " + std::string(bounceClassName(r.bounceClass)) +
                               " failure of " +
                               (r.address.empty() ? "an unreadable address" : r.address);
  if (!r.status.empty()) what += " (" + r.status + ")";
  what += ": nobody switched off; report " +
          (message.messageId.empty() ? message.uidl : message.messageId);
  // Logged, not reported: the cycle did not fail.
  m_context.trap.note(kProcedure, {store::ErrorNumber::kMailTransfer, what});
}

void BounceHandler::finish() {
  m_context.trap.run(kProcedure, [&] {
    m_counts.dropStale(m_context.clock().today());
    m_counts.save();
    m_suppressed.save();
  });
}

}  // namespace tidewell::engine
