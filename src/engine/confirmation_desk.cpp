#include "engine/confirmation_desk.h"

#include <charconv>

#include "store/error.h"
#include "store/text.h"

namespace tidewell::engine {

namespace {

constexpr store::Procedure kProcedure = store::numberedProcedure("ConfirmedOptIn");

int wholeDays(const std::string& value, int fallback) {
  std::string_view text = store::trim(value);
  int days = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), days);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || days < 0)
    return fallback;
  return days;
}

}  // namespace

ConfirmMode confirmModeOf(const store::FilterRecord& filter) {
  if (store::equalsIgnoreCase(filter.confirm, "all")) return ConfirmMode::kAll;
  if (store::equalsIgnoreCase(filter.confirm, "none")) return ConfirmMode::kNone;
  return ConfirmMode::kForm;
}

int remindDaysOf(const store::FilterRecord& filter) {
  return wholeDays(filter.confirmremind, 3);
}

int expireDaysOf(const store::FilterRecord& filter) {
  return wholeDays(filter.confirmexpire, 14);
}

bool needsConfirmation(const store::FilterRecord& filter, bool fromForm) {
  switch (confirmModeOf(filter)) {
    case ConfirmMode::kAll:
      return true;
    case ConfirmMode::kNone:
      return false;
    case ConfirmMode::kForm:
      return fromForm;
  }
  return true;
}

ConfirmationDesk::ConfirmationDesk(EngineContext& context, SubscriberIndex& exactIndex)
    : m_context(context),
      m_exact(exactIndex),
      m_pending(consent::PendingSignups::pathFor(context.profile.path())),
      m_deactivationLog(context.profileFolder, context.trap) {
  // A pending file that cannot be read is never written over: its sign-ups would be lost.
  m_loaded = context.trap.run(kProcedure, [&] { m_pending.load(); });
}

void ConfirmationDesk::save() {
  if (!m_pending.changed()) return;
  if (!m_loaded) {
    store::raise(store::ErrorNumber::kBadFormat,
                 m_pending.path().string() + " could not be read, so it is not written over");
  }
  m_pending.save();
}

std::optional<store::Position> ConfirmationDesk::recordOf(std::string_view address,
                                                          std::string_view filter) {
  for (store::Position p : m_exact.find(address)) {
    if (m_context.table.filterTitle(p) == filter) return p;
  }
  return std::nullopt;
}

void ConfirmationDesk::hold(consent::PendingSignup signup) {
  if (consent::PendingSignup* waiting = m_pending.find(signup.address, signup.filter)) {
    waiting->sent.reset();
    m_pending.markChanged();
    return;
  }
  m_pending.put(std::move(signup));
}

bool ConfirmationDesk::confirm(std::string_view address, std::string_view filter,
                               std::string_view how, std::string_view confirmationMessageId) {
  std::optional<consent::PendingSignup> signup = m_pending.take(address, filter);
  if (!signup) return false;
  auto& table = m_context.table;
  if (std::optional<store::Position> p = recordOf(signup->address, signup->filter)) {
    if (table.active(*p) != "true") reactivate(*p, how);
  } else {
    store::SubscriberData data;
    data.email = signup->address;
    data.name = signup->name.empty() ? signup->address : signup->name;
    data.signup = m_context.clock().today();
    data.filterTitle = signup->filter;
    data.pmf = signup->pmf;
    table.add(data);
    table.setChanged();
  }
  if (const store::FilterRecord* f = store::findFilter(table.filterList(), signup->filter))
    autoUnsubscribe(*f, signup->address, confirmationMessageId);
  writeConsent(signup->address, signup->filter, how, signup->signupMessageId, confirmationMessageId,
               signup->ip, signup->textName, signup->textSha256);
  return true;
}

void ConfirmationDesk::activate(const store::SubscriberData& data, std::string_view how,
                                std::string_view signupMessageId, std::string_view ip) {
  auto& table = m_context.table;
  if (std::optional<store::Position> p = recordOf(data.email, data.filterTitle)) {
    if (table.active(*p) == "true") return;
    reactivate(*p, how);
  } else {
    table.add(data);
    table.setChanged();
  }
  // A sign-up that needed no confirmation replaces one still waiting.
  m_pending.take(data.email, data.filterTitle);
  writeConsent(data.email, data.filterTitle, how, signupMessageId, "", ip, "", "");
}

bool ConfirmationDesk::drop(std::string_view address, std::string_view filter,
                            std::string_view why) {
  std::optional<consent::PendingSignup> signup = m_pending.take(address, filter);
  if (!signup) return false;
  m_context.trap.note(kProcedure, {0, "Sign-up of " + signup->address + " to " + signup->filter +
                                          " dropped unconfirmed: " + std::string(why)});
  return true;
}

store::Position ConfirmationDesk::reactivate(store::Position p, std::string_view how) {
  auto& table = m_context.table;
  table.setActive(p, "true");
  table.setChanged();
  m_context.trap.note(kProcedure, {0, "Subscriber " + std::string(table.record(p).email()) +
                                          " of " + std::string(table.filterTitle(p)) +
                                          " signed up again (" + std::string(how) +
                                          ") and is active again; the newsletters sent before "
                                          "are not sent again"});
  return p;
}

void ConfirmationDesk::autoUnsubscribe(const store::FilterRecord& filter, std::string_view address,
                                       std::string_view messageId) {
  if (filter.autounsubscribe == store::kAbsent || filter.autounsubscribe.empty()) return;
  std::optional<store::Position> p = recordOf(address, filter.autounsubscribe);
  if (!p || m_context.table.active(*p) == "false") return;
  m_context.table.setActive(*p, "false");
  m_context.table.setChanged();
  m_deactivationLog.write(address, filter.autounsubscribe, {"auto-unsubscribe", "", messageId});
}

void ConfirmationDesk::writeConsent(std::string_view address, std::string_view filter,
                                    std::string_view how, std::string_view signupId,
                                    std::string_view confirmationId, std::string_view ip,
                                    std::string_view textName, std::string_view textSha) {
  const store::Clock& clock = m_context.clock();
  consent::ConsentEntry entry{store::shortDateText(clock.today()),
                              clock.timeText(),
                              std::string(address),
                              std::string(filter),
                              std::string(how),
                              std::string(signupId),
                              std::string(confirmationId),
                              std::string(ip),
                              std::string(textName),
                              std::string(textSha)};
  m_context.trap.run(kProcedure, [&] { consent::appendConsent(m_context.profileFolder, entry); });
}

}  // namespace tidewell::engine
