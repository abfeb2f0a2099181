#include "engine/sending_pass.h"

#include <charconv>
#include <optional>
#include <thread>

#include "engine/bounce_handling.h"
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
                       const mail::OutgoingMessage& message, store::Procedure procedure,
                       const std::function<void()>& onAccepted) {
  int result = 0;
  std::string reason;
  context.runner.run([&] {
    result = client.send(message);
    if (result != mail::kSendAccepted) {
      reason = client.lastError();
    } else if (onAccepted) {
      onAccepted();
    }
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
      m_activityLog(context.profileFolder / "activity.log", context.trap),
      m_deactivationLog(context.profileFolder, context.trap),
      m_bounceCounts(BounceCounts::pathFor(context.profile.path())) {}

bool SendingPass::VBSendMessage() {
  auto& ui = m_context.ui();
  m_context.trap.run(kProcedure, [&] {
    store::ProfileDocument profile = m_context.profile.load();
    NewsletterTable table = f_load_newsletters(profile, m_context.table.filterList(), ui);
    if (table.stop) return;
    m_recorder = std::make_unique<SendRecorder>(m_context);
    m_client.setSmtp(smtpSettingsOf(m_context.settings, m_context.caFile));
    auto maximum =
        static_cast<std::int64_t>(std::max<std::size_t>(table.newsletters.size(), 2) - 1);
    ui.showProgress(0, maximum);
    for (std::size_t i = 0; i < table.newsletters.size() && m_pause.empty(); ++i) {
      sendNewsletter(table.newsletters[i]);
      ui.showProgress(static_cast<std::int64_t>(i), maximum);
    }
  });
  ui.hideProgress();
  m_context.runner.run([&] { m_client.endSmtpSession(); });
  if (m_recorder) m_recorder->finish();
  if (!m_pause.empty()) ui.showStatus(m_pause);
  m_context.trap.run(kProcedure, [&] { m_bounceCounts.save(); });
  return m_sent;
}

std::vector<store::Position> SendingPass::duePositions(const NewsletterRecord& newsletter) {
  auto& table = m_context.table;
  if (table.isEmpty()) return {};
  Schedule schedule = scheduleOf(newsletter);
  if (!schedule.problem.empty()) {
    m_context.trap.report(kProcedure, {store::ErrorNumber::kTypeMismatch, schedule.problem});
    return {};
  }
  std::optional<store::TextId> rule = table.titleId(newsletter.rule);
  std::optional<store::TextId> active = table.activeId("true");
  if (!rule || !active || !store::findFilter(table.filterList(), newsletter.rule)) return {};
  std::int32_t today = store::toDayNumber(m_context.clock().today());
  if (schedule.kind == Schedule::Kind::kDate && schedule.dateDay != today) return {};
  std::vector<store::Position> due;
  for (store::Position p = 0; p < table.size(); ++p) {
    const auto& record = table.record(p);
    if (record.filterId() != *rule || record.activeId() != *active || record.isDeleted()) continue;
    if (isDue(schedule, record.signupDay(), today)) due.push_back(p);
  }
  return due;
}

bool SendingPass::stillToSend(const NewsletterRecord& newsletter, store::Position p) const {
  const auto& record = m_context.table.record(p);
  std::string address(record.email());
  return !m_runLog.count(address + ":" + newsletter.title) &&
         !newsletter.runRecipients.count(address) &&
         !sentListHas(record.sentList(), newsletter.title);
}

std::optional<SendingPass::Delivery> SendingPass::prepareFrom(
    const NewsletterRecord& newsletter, const std::vector<store::Position>& due, std::size_t from) {
  auto& table = m_context.table;
  for (std::size_t i = from; i < due.size(); ++i) {
    store::Position p = due[i];
    if (!stillToSend(newsletter, p)) continue;
    Delivery delivery{i, p, std::string(table.record(p).email()), {}, false};
    delivery.valid = store::ValidateEmail(delivery.address);
    if (delivery.valid) {
      delivery.message =
          m_client.prepare(newsletterMessage(newsletter, table, p, m_context.settings,
                                             table.displayName(p), m_context.fieldDelimiter));
    }
    return delivery;
  }
  return std::nullopt;
}

void SendingPass::sendNewsletter(NewsletterRecord& newsletter) {
  const std::vector<store::Position> due = duePositions(newsletter);
  std::vector<Retry> retries;
  std::optional<Delivery> next = prepareFrom(newsletter, due, 0);
  while (next && m_pause.empty()) {
    Delivery current = std::move(*next);
    next.reset();
    auto prepareNext = [&] { next = prepareFrom(newsletter, due, current.index + 1); };
    // The message before may have gone to the same address in the meantime.
    if (!stillToSend(newsletter, current.position)) {
      prepareNext();
    } else if (!current.valid) {
      reject(current.position);
      prepareNext();
    } else {
      m_context.ui().showStatus("Sending...");
      Outcome outcome = sendAlongside(current, newsletter.title, prepareNext);
      if (outcome == Outcome::kSent) {
        record(newsletter, current);
      } else if (outcome == Outcome::kRetryLater) {
        retries.push_back({std::move(current), 1, std::chrono::steady_clock::now()});
      }
    }
  }
  retryLater(newsletter, retries);
}

void SendingPass::retryLater(NewsletterRecord& newsletter, std::vector<Retry>& retries) {
  constexpr int kTries = 3;
  constexpr auto kLongestWait = std::chrono::seconds(30);
  for (int attempt = 2; attempt <= kTries && !retries.empty() && m_pause.empty(); ++attempt) {
    auto wait = std::min<std::chrono::steady_clock::duration>(m_context.retryWait * (attempt - 1),
                                                              kLongestWait);
    std::vector<Retry> again;
    for (auto& retry : retries) {
      if (!m_pause.empty()) break;
      if (!stillToSend(newsletter, retry.delivery.position)) continue;
      auto due = retry.lastTry + wait;
      if (due > std::chrono::steady_clock::now())
        m_context.runner.run([&] { std::this_thread::sleep_until(due); });
      m_context.ui().showStatus("Sending...");
      Outcome outcome = sendAlongside(retry.delivery, newsletter.title, [] {});
      if (outcome == Outcome::kSent) {
        record(newsletter, retry.delivery);
      } else if (outcome == Outcome::kRetryLater) {
        again.push_back({std::move(retry.delivery), attempt, std::chrono::steady_clock::now()});
      }
    }
    retries = std::move(again);
  }
}

void SendingPass::reject(store::Position p) {
  m_context.settings.SendSuccess = false;
  m_context.ui().showStatus("Invalid Email Address");
  m_context.table.setActive(p, "false");
  m_context.table.setChanged();
  m_deactivationLog.write(m_context.table.record(p).email(), m_context.table.filterTitle(p),
                          {"invalid address", "", ""});
}

SendingPass::Outcome SendingPass::sendAlongside(const Delivery& delivery, std::string_view title,
                                                const std::function<void()>& alongside) {
  int result = 0;
  std::string reason;
  mail::SmtpReply reply;
  m_recorder->stamp();
  m_context.runner.runAlongside(
      [&] {
        result = m_client.sendPrepared(delivery.message);
        if (result == mail::kSendAccepted) {
          m_recorder->accepted(delivery.address, title);
        } else {
          reason = m_client.lastError();
          reply = m_client.lastSmtpReply();
        }
      },
      alongside);
  m_recorder->reportProblems(kProcedure);
  m_context.settings.SendSuccess = result == mail::kSendAccepted;
  if (result == mail::kSendAccepted) return Outcome::kSent;
  m_context.trap.report(kProcedure, {store::ErrorNumber::kMailTransfer,
                                     "Sending to " + delivery.address + " failed: " + reason});
  return refusal(delivery, reply);
}

SendingPass::Outcome SendingPass::refusal(const Delivery& delivery, const mail::SmtpReply& reply) {
  switch (mail::classifySmtpReply(reply)) {
    case mail::SmtpReplyClass::kPause:
      pause(reply.connectionFailed ? "Sending paused: the mail server cannot be reached"
                                   : "Sending paused: the mail server's sending limit was reached");
      return Outcome::kNotSent;
    case mail::SmtpReplyClass::kRetryLater:
      return Outcome::kRetryLater;
    case mail::SmtpReplyClass::kPermanentBounce:
      if (!m_foldedIndex) {
        m_foldedIndex = std::make_unique<SubscriberIndex>(m_context.table,
                                                          SubscriberIndex::Comparison::kIgnoreCase);
      }
      if (m_context.deactivateOnFailureReports) {
        switchOffFailedAddress(m_context.table, *m_foldedIndex, m_deactivationLog,
                               delivery.address, {"bounce: refused by the server", reply.text, ""});
      }
      return Outcome::kNotSent;
    case mail::SmtpReplyClass::kRefused:
      break;
  }
  return Outcome::kNotSent;
}

void SendingPass::pause(const std::string& text) {
  if (m_pause.empty()) m_pause = text;
  m_context.ui().showStatus(text);
}

void SendingPass::record(NewsletterRecord& newsletter, const Delivery& delivery) {
  auto& table = m_context.table;
  m_context.ui().showStatus("Ready");
  table.setSentList(delivery.position,
                    withTitle(table.record(delivery.position).sentList(), newsletter.title));
  ++newsletter.timesSent;
  ++m_counters.sentToday;
  ++m_counters.totalSent;
  m_activityLog.append(
      mailLogLine("message sent:", delivery.address, newsletter.title, m_context.clock()));
  m_runLog.insert(delivery.address + ":" + newsletter.title);
  m_bounceCounts.forget(delivery.address);
  newsletter.runRecipients.insert(delivery.address);
  table.setChanged();
  m_sent = true;
}

}  // namespace tidewell::engine
