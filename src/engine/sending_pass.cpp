#include "engine/sending_pass.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <map>
#include <optional>
#include <thread>

#include "consent/confirmation_code.h"
#include "engine/bounce_handling.h"
#include "engine/confirmation_desk.h"
#include "engine/confirmation_mail.h"
#include "engine/newsletter_schedule.h"
#include "engine/outgoing_mail.h"
#include "engine/sent_list.h"
#include "store/date_text.h"
#include "store/error.h"
#include "store/profile_document.h"
#include "store/text.h"
#include "store/utilities.h"

namespace tidewell::engine {

namespace {

constexpr store::Procedure kProcedure = store::numberedProcedure("VBSendMessage");
constexpr int kMostConnections = 8;
// A send that cannot be recorded could be sent again after a crash: no more go out.
constexpr const char* kJournalPause = "Sending paused: the send journal cannot be written";
// Messages per connection in one batch: enough to keep every connection busy.
constexpr std::size_t kBatchPerConnection = 8;

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
      m_progress(context.ui()) {}

bool SendingPass::VBSendMessage() {
  auto& ui = m_context.ui();
  m_context.trap.run(kProcedure, [&] {
    store::ProfileDocument profile = m_context.profile.load();
    bool ready = false;
    auto setUp = [&] {
      if (ready) return;
      ready = true;
      m_recorder = std::make_unique<SendRecorder>(m_context);
      m_suppressed =
          consent::SuppressionList(consent::SuppressionList::pathFor(m_context.profile.path()));
      m_caps = SendCaps::of(profile);
      m_catchUpDays = wholeNumberSetting(profile, store::kNewslettersBlock, "catchup");
      m_connections = std::clamp(wholeNumberSetting(profile, store::kServerBlock, "connections"), 1,
                                 kMostConnections);
      m_client.setSmtp(smtpSettingsOf(m_context.settings, m_context.caFile));
      m_client.setConnections(m_connections);
    };
    // Confirmations first: a person who just signed up waits for one.
    sendConfirmations(setUp);
    NewsletterTable table =
        f_load_newsletters(profile, m_context.table.filterList(), m_context.trap);
    // The cycle's closing status must not hide why nothing went out.
    if (!table.problem.empty()) m_pause = table.problem;
    if (table.stop) return;
    setUp();
    // Every due list first, so the progress can say how many are due in all.
    std::vector<std::vector<store::Position>> due;
    std::int64_t dueCount = 0;
    for (const auto& newsletter : table.newsletters) {
      due.push_back(duePositions(newsletter));
      for (store::Position p : due.back()) dueCount += stillToSend(newsletter, p) ? 1 : 0;
    }
    m_progress.begin(dueCount);
    for (std::size_t i = 0; i < table.newsletters.size() && m_pause.empty(); ++i) {
      sendNewsletter(table.newsletters[i], due[i]);
    }
    m_progress.end();
  });
  ui.hideProgress();
  m_context.runner.run([&] { m_client.endSmtpSession(); });
  if (m_recorder) m_recorder->finish();
  if (!m_pause.empty()) ui.showStatus(m_pause);
  if (m_suppressedSkipped > 0) {
    // Not a failure of the pass: the operator asked for it.
    m_context.trap.note(kProcedure, {store::ErrorNumber::kMailTransfer,
                                     std::to_string(m_suppressedSkipped) +
                                         " message(s) skipped: the address is on the suppression "
                                         "list"});
  }
  return m_sent;
}

void SendingPass::sendConfirmations(const std::function<void()>& setUp) {
  SubscriberIndex exact(m_context.table, SubscriberIndex::Comparison::kExact);
  ConfirmationDesk desk(m_context, exact);
  consent::PendingSignups& pending = desk.pending();
  const auto& filters = m_context.table.filterList();
  const std::int32_t today = store::toDayNumber(m_context.clock().today());
  std::vector<std::pair<std::string, std::string>> expired;
  for (const consent::PendingSignup& s : pending.entries()) {
    const store::FilterRecord* f = store::findFilter(filters, s.filter);
    if (f && store::toDayNumber(s.date) + expireDaysOf(*f) <= today)
      expired.emplace_back(s.address, s.filter);
  }
  for (const auto& [address, filter] : expired) desk.drop(address, filter, "not confirmed in time");
  std::map<std::string, std::optional<ConfirmationText>> texts;
  for (consent::PendingSignup& s : pending.entries()) {
    if (!m_pause.empty()) break;
    const store::FilterRecord* f = store::findFilter(filters, s.filter);
    if (!f) continue;
    const int remind = remindDaysOf(*f);
    const bool reminder =
        s.sent && !s.reminded && remind > 0 && store::toDayNumber(*s.sent) + remind <= today;
    if (s.sent && !reminder) continue;
    setUp();
    if (m_suppressed.blocks(s.address)) {
      ++m_suppressedSkipped;
      continue;
    }
    if (!store::ValidateEmail(s.address)) continue;
    if (!texts.count(f->title)) {
      texts[f->title] = m_context.trap.run(kProcedure, std::optional<ConfirmationText>(), [&] {
        return std::optional(confirmationTextOf(*f, m_context.fieldDelimiter));
      });
    }
    const std::optional<ConfirmationText>& text = texts[f->title];
    if (!text) continue;
    setUp();
    if (!withinCaps()) break;
    if (s.code.empty()) s.code = consent::newConfirmationCode();
    mail::OutgoingMessage message =
        confirmationMessage(s, *f, *text, m_context.settings, m_context.fieldDelimiter, reminder);
    const std::string journalTitle = "[confirmation] " + s.filter;
    m_recorder->stamp();
    bool sent = sendThroughRunner(m_context, m_client, message, kProcedure,
                                  [&] { m_recorder->accepted(s.address, journalTitle); });
    if (!m_recorder->reportProblems(kProcedure)) pause(kJournalPause);
    if (!sent) continue;
    (reminder ? s.reminded : s.sent) = m_context.clock().today();
    s.textName = text->name;
    s.textSha256 = text->sha256;
    pending.markChanged();
    ++m_counters.sentToday;
    ++m_counters.totalSent;
    m_activityLog.append(mailLogLine("message sent:", s.address, journalTitle, m_context.clock()));
  }
  desk.save();
}

std::vector<store::Position> SendingPass::duePositions(const NewsletterRecord& newsletter) {
  auto& table = m_context.table;
  if (table.isEmpty()) return {};
  Schedule schedule =
      scheduleOf(newsletter.title, newsletter.days, newsletter.date, newsletter.dateordays);
  if (!schedule.problem.empty()) {
    m_context.trap.report(kProcedure, {store::ErrorNumber::kTypeMismatch, schedule.problem});
    return {};
  }
  std::optional<store::TextId> rule = table.titleId(newsletter.rule);
  std::optional<store::TextId> active = table.activeId("true");
  if (!rule || !active || !store::findFilter(table.filterList(), newsletter.rule)) return {};
  std::int32_t today = store::toDayNumber(m_context.clock().today());
  if (schedule.kind == Schedule::Kind::kDate && !isDue(schedule, 0, today, m_catchUpDays))
    return {};
  std::vector<store::Position> due;
  for (store::Position p = 0; p < table.size(); ++p) {
    const auto& record = table.record(p);
    if (record.filterId() != *rule || record.activeId() != *active || record.isDeleted()) continue;
    if (!isDue(schedule, record.signupDay(), today, m_catchUpDays)) continue;
    if (m_suppressed.blocks(record.email())) {
      if (stillToSend(newsletter, p)) ++m_suppressedSkipped;
      continue;
    }
    due.push_back(p);
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

void SendingPass::sendNewsletter(NewsletterRecord& newsletter,
                                 const std::vector<store::Position>& due) {
  if (m_connections > 1) {
    sendInBatches(newsletter, due);
    return;
  }
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
    } else if (withinCaps()) {
      m_progress.sending();
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
      if (!withinCaps()) break;
      m_progress.sending();
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
  if (!m_recorder->reportProblems(kProcedure)) pause(kJournalPause);
  m_context.settings.SendSuccess = result == mail::kSendAccepted;
  if (result == mail::kSendAccepted) return Outcome::kSent;
  return failed(delivery, reason, reply);
}

SendingPass::Outcome SendingPass::failed(const Delivery& delivery, const std::string& reason,
                                         const mail::SmtpReply& reply) {
  m_context.settings.SendSuccess = false;
  m_context.trap.report(kProcedure, {store::ErrorNumber::kMailTransfer,
                                     "Sending to " + delivery.address + " failed: " + reason});
  return refusal(delivery, reply);
}

std::vector<SendingPass::Delivery> SendingPass::prepareBatch(
    const NewsletterRecord& newsletter, const std::vector<store::Position>& due,
    std::size_t& from) {
  std::vector<Delivery> batch;
  std::unordered_set<std::string> addresses;
  const std::size_t size = static_cast<std::size_t>(m_connections) * kBatchPerConnection;
  while (batch.size() < size) {
    std::optional<Delivery> delivery = prepareFrom(newsletter, due, from);
    if (!delivery) {
      from = due.size();
      break;
    }
    // A second record of an address waits for the next batch, as with one connection it waits
    // for the first copy to be accepted or refused.
    if (!addresses.insert(delivery->address).second) {
      from = delivery->index;
      break;
    }
    from = delivery->index + 1;
    batch.push_back(std::move(*delivery));
  }
  return batch;
}

std::vector<mail::SendResult> SendingPass::sendBatch(const std::vector<Delivery>& batch,
                                                     std::string_view title,
                                                     const std::function<void()>& alongside) {
  std::vector<const mail::PreparedMessage*> messages;
  for (const auto& d : batch) messages.push_back(&d.message);
  std::vector<mail::SendResult> results;
  m_recorder->stamp();
  m_context.runner.runAlongside(
      [&] {
        results = m_client.sendBatch(
            messages, [&](std::size_t i) { m_recorder->accepted(batch[i].address, title); });
      },
      alongside);
  if (!m_recorder->reportProblems(kProcedure)) pause(kJournalPause);
  return results;
}

void SendingPass::sendInBatches(NewsletterRecord& newsletter,
                                const std::vector<store::Position>& due) {
  std::vector<Retry> retries;
  std::size_t from = 0;
  std::vector<Delivery> next = prepareBatch(newsletter, due, from);
  while (!next.empty() && m_pause.empty()) {
    std::vector<Delivery> batch;
    for (auto& d : next) {
      if (!stillToSend(newsletter, d.position)) continue;
      if (!d.valid) {
        reject(d.position);
        continue;
      }
      batch.push_back(std::move(d));
    }
    next.clear();
    const std::size_t room = m_recorder->capRoom(m_caps);
    if (!batch.empty() && !withinCaps()) break;
    // The messages beyond the caps' room wait; the cap then pauses the pass before them.
    std::vector<Delivery> heldBack;
    if (batch.size() > room) {
      heldBack.assign(std::make_move_iterator(batch.begin() + static_cast<std::ptrdiff_t>(room)),
                      std::make_move_iterator(batch.end()));
      batch.resize(room);
    }
    auto prepareNext = [&] { next = prepareBatch(newsletter, due, from); };
    if (batch.empty()) {
      prepareNext();
      continue;
    }
    m_progress.sending();
    std::vector<mail::SendResult> results = sendBatch(batch, newsletter.title, prepareNext);
    // Recorded in due order, so the logs read as with one connection.
    for (std::size_t i = 0; i < batch.size(); ++i) {
      if (results[i].accepted) {
        m_context.settings.SendSuccess = true;
        record(newsletter, batch[i]);
      } else if (failed(batch[i], results[i].error, results[i].reply) == Outcome::kRetryLater) {
        retries.push_back({std::move(batch[i]), 1, std::chrono::steady_clock::now()});
      }
    }
    next.insert(next.begin(), std::make_move_iterator(heldBack.begin()),
                std::make_move_iterator(heldBack.end()));
  }
  retryLater(newsletter, retries);
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
        switchOffFailedAddress(m_context.table, *m_foldedIndex, m_deactivationLog, delivery.address,
                               {"bounce: refused by the server", reply.text, ""});
        suppressFailedAddress(m_context, delivery.address);
        m_suppressed.add(delivery.address, m_context.clock().today(), "bounce");
      }
      return Outcome::kNotSent;
    case mail::SmtpReplyClass::kRefused:
      break;
  }
  return Outcome::kNotSent;
}

bool SendingPass::withinCaps() {
  if (m_context.stopping()) {
    pause("Sending stopped: the program was asked to end");
    return false;
  }
  std::string reached = m_recorder->capReached(m_caps);
  if (!reached.empty()) pause(reached);
  return reached.empty();
}

void SendingPass::pause(const std::string& text) {
  if (m_pause.empty()) {
    m_pause = text;
    // Kept in the log so the statistics can say when and why sending last stopped.
    const store::Clock& clock = m_context.clock();
    m_activityLog.append("sending paused:\t" + text + "\t" + store::shortDateText(clock.today()) +
                         "\t" + clock.timeText());
  }
  m_context.ui().showStatus(text);
}

void SendingPass::record(NewsletterRecord& newsletter, const Delivery& delivery) {
  auto& table = m_context.table;
  m_progress.sent();
  table.setSentList(delivery.position,
                    withTitle(table.record(delivery.position).sentList(), newsletter.title));
  ++newsletter.timesSent;
  ++m_counters.sentToday;
  ++m_counters.totalSent;
  m_activityLog.append(
      mailLogLine("message sent:", delivery.address, newsletter.title, m_context.clock()));
  m_runLog.insert(delivery.address + ":" + newsletter.title);
  newsletter.runRecipients.insert(delivery.address);
  table.setChanged();
  m_sent = true;
}

}  // namespace tidewell::engine
