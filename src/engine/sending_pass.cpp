#include "engine/sending_pass.h"

#include <charconv>
#include <optional>

#include "engine/outgoing_mail.h"
#include "engine/sent_list.h"
#include "store/error.h"
#include "store/profile_document.h"
#include "store/text.h"
#include "store/utilities.h"

namespace tidewell::engine {

namespace {

constexpr store::Procedure kProcedure = store::numberedProcedure("VBSendMessage");

// When a newsletter is due: a number of days after sign-up, to everybody ("All"), or on one
// date. Unreadable values make the newsletter unusable for the pass.
struct Schedule {
  enum class Kind { kDays, kAll, kDate } kind = Kind::kDays;
  int days = 0;
  std::int32_t dateDay = 0;
  std::string problem;
};

Schedule scheduleOf(const NewsletterRecord& n) {
  Schedule s;
  if (n.dateordays == "date") {
    s.kind = Schedule::Kind::kDate;
    if (auto date = store::parseDate(n.date)) {
      s.dateDay = store::toDayNumber(*date);
    } else {
      s.problem = "The date of " + n.title + " is not a date: " + n.date;
    }
    return s;
  }
  std::string_view days = store::trim(n.days);
  if (days == "All" || days == "-1") {
    s.kind = Schedule::Kind::kAll;
    return s;
  }
  auto [end, error] = std::from_chars(days.data(), days.data() + days.size(), s.days);
  if (days.empty() || error != std::errc() || end != days.data() + days.size()) {
    s.problem = "The days of " + n.title + " are not a number: " + n.days;
  }
  return s;
}

bool isDue(const Schedule& s, std::int32_t signupDay, std::int32_t today) {
  switch (s.kind) {
    case Schedule::Kind::kAll:
      return true;
    case Schedule::Kind::kDate:
      return s.dateDay == today;
    case Schedule::Kind::kDays:
      return static_cast<std::int64_t>(signupDay) + s.days == today;
  }
  return false;
}

}  // namespace

bool sendThroughRunner(EngineContext& context, mail::MailClient& client,
                       const mail::OutgoingMessage& message, store::Procedure procedure) {
  int result = 0;
  std::string reason;
  context.runner.run([&] {
    result = client.send(message);
    if (result != mail::kSendAccepted) reason = client.lastError();
  });
  if (result == mail::kSendAccepted) return true;
  context.trap.report(procedure, {store::ErrorNumber::kMailTransfer,
                                  "Sending to " + message.toAddress + " failed: " + reason});
  return false;
}

SendingPass::SendingPass(EngineContext& context, SendCounters& counters, mail::MailClient& client)
    : m_context(context),
      m_counters(counters),
      m_client(client),
      m_activityLog(context.profileFolder / "activity.log", context.trap) {}

bool SendingPass::VBSendMessage() {
  auto& ui = m_context.ui();
  m_context.trap.run(kProcedure, [&] {
    store::ProfileDocument profile = m_context.profile.load();
    NewsletterTable table = f_load_newsletters(profile, m_context.table.filterList(), ui);
    if (table.stop) return;
    m_client.setSmtp(smtpSettingsOf(m_context.settings, m_context.caFile));
    auto maximum =
        static_cast<std::int64_t>(std::max<std::size_t>(table.newsletters.size(), 2) - 1);
    ui.showProgress(0, maximum);
    for (std::size_t i = 0; i < table.newsletters.size(); ++i) {
      sendNewsletter(table.newsletters[i]);
      ui.showProgress(static_cast<std::int64_t>(i), maximum);
    }
  });
  ui.hideProgress();
  m_context.runner.run([&] { m_client.endSmtpSession(); });
  return m_sent;
}

void SendingPass::sendNewsletter(NewsletterRecord& newsletter) {
  auto& table = m_context.table;
  if (table.isEmpty()) return;
  Schedule schedule = scheduleOf(newsletter);
  if (!schedule.problem.empty()) {
    m_context.trap.report(kProcedure, {store::ErrorNumber::kTypeMismatch, schedule.problem});
    return;
  }
  std::optional<store::TextId> rule = table.titleId(newsletter.rule);
  std::optional<store::TextId> active = table.activeId("true");
  if (!rule || !active || !store::findFilter(table.filterList(), newsletter.rule)) return;
  std::int32_t today = store::toDayNumber(m_context.clock().today());
  if (schedule.kind == Schedule::Kind::kDate && schedule.dateDay != today) return;
  for (store::Position p = 0; p < table.size(); ++p) {
    const auto& record = table.record(p);
    if (record.filterId() != *rule || record.activeId() != *active || record.isDeleted()) continue;
    if (isDue(schedule, record.signupDay(), today)) sendTo(newsletter, p);
  }
}

void SendingPass::sendTo(NewsletterRecord& newsletter, store::Position p) {
  auto& table = m_context.table;
  std::string address(table.record(p).email());
  std::string runKey = address + ":" + newsletter.title;
  if (m_runLog.count(runKey) || newsletter.runRecipients.count(address) ||
      sentListHas(table.record(p).sentList(), newsletter.title)) {
    return;
  }
  bool sent = deliver(newsletter, p, address);
  m_context.settings.SendSuccess = sent;
  if (!sent) return;
  m_context.ui().showStatus("Ready");
  table.setSentList(p, withTitle(table.record(p).sentList(), newsletter.title));
  ++newsletter.timesSent;
  ++m_counters.sentToday;
  ++m_counters.totalSent;
  m_activityLog.append(mailLogLine("message sent:", address, newsletter.title, m_context.clock()));
  m_runLog.insert(std::move(runKey));
  newsletter.runRecipients.insert(address);
  table.setChanged();
  m_sent = true;
}

bool SendingPass::deliver(const NewsletterRecord& newsletter, store::Position p,
                          const std::string& address) {
  auto& table = m_context.table;
  if (!store::ValidateEmail(address)) {
    m_context.ui().showStatus("Invalid Email Address");
    table.setActive(p, "false");
    table.setChanged();
    return false;
  }
  m_context.ui().showStatus("Sending...");
  mail::OutgoingMessage message = newsletterMessage(newsletter, table, p, m_context.settings,
                                                    table.displayName(p), m_context.fieldDelimiter);
  return sendThroughRunner(m_context, m_client, message, kProcedure);
}

}  // namespace tidewell::engine
