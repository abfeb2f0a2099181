// Sending passes: who gets what and when, server refusals and caps; when cycles run, and transfers
// on a worker thread that never overlap.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/cycle_scheduler.h"
#include "engine/forced_send.h"
#include "engine/pass_progress.h"
#include "engine/rule_line.h"
#include "engine_fixture.h"
#include "mail/worker_runner.h"
#include "store/text_file.h"

namespace tidewell::testing {
namespace {

using engine::CycleScheduler;

class SendingPass : public EngineFixture {
 protected:
  SendingPass() { list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")}); }
  // Every subscriber due everything again, nothing sent yet.
  void resetSends() {
    for (store::Position p = 0; p < table.size(); ++p) table.setSentList(p, "none");
    server.sent.clear();
  }
  store::Position add(const std::string& email, store::Date signup,
                      const std::string& active = "true") {
    return table.add(subscriber(email, "Ann", list, active, signup));
  }
  std::string list;
};

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST_F(SendingPass, AllAndFixedDateGoToActiveSubscribersOfTheirFilterOnly) {
  int all = addNewsletter(list, "All", "Everyone");
  add("old@x.com", {2020, 1, 1});
  add("off@x.com", {2026, 12, 5}, "false");
  table.add(subscriber("stranger@x.com", "S", "Other list"));
  engine().VBSendMessage();
  EXPECT_THAT(recipients(), ElementsAre("old@x.com"));
  setNewsletter(all, "rule", "No Rule Assigned");
  int dated = addNewsletter(list, "0", "On the day");
  setNewsletter(dated, "dateordays", "date");
  setNewsletter(dated, "date", "Dec 9, 2026");
  EXPECT_FALSE(engine().VBSendMessage());
  clock.setToday({2026, 12, 9});
  EXPECT_TRUE(engine().VBSendMessage());
  EXPECT_THAT(recipients(), ElementsAre("old@x.com", "old@x.com"));
  EXPECT_EQ(server.sent[1].body, "On the day");
  EXPECT_TRUE(server.sent[1].html);  // an .html message file
}

TEST_F(SendingPass, AbsentDisplayNameReplyAddressAndSubjectAreEmptyInTheMessage) {
  std::string bare = addFilter();  // a filter whose display name was never set
  table.setFilterList(filters());
  int n = addNewsletter(bare, "All", "Hi");
  profile.DeleteFromFile_new(n, "subject");
  settings.from_reply_address = store::kAbsent;
  table.add(subscriber("ann@x.com", "Ann", bare));
  engine().VBSendMessage();
  engine().forcedSend({0}, n);
  ASSERT_EQ(server.sent.size(), 2u);
  for (const auto& m : server.sent)
    EXPECT_EQ(m.fromName + "|" + m.fromAddress + "|" + m.replyTo + "|" + m.subject,
              "|list@example.com||");
}

TEST_F(SendingPass, ServerRepliesDecideRetryBounceOrNothing) {
  addNewsletter(list, "All", "Hi");
  std::string other = addSignupFilter({engine::makeRuleLine("Subject", "Has", "other", "")});
  for (const char* a : {"a@x.com", "once@x.com", "busy@x.com", "gone@x.com", "bad@x.com"})
    add(a, {2026, 12, 1});
  table.add(subscriber("GONE@x.com", "G", other));  // the same address in another list
  server.refusals["once@x.com"] = {{451, "451 4.3.0 Try again later"}, 1};
  server.refusals["busy@x.com"] = {{451, "451 4.3.0 Try again later"}, -1};
  server.refusals["gone@x.com"] = {{550, "550 5.1.1 User unknown"}, -1};
  server.refusals["bad@x.com"] = {{554, "554 5.7.1 Refused"}, 1};
  EXPECT_TRUE(engine().VBSendMessage());
  // The one asked to try later goes after the others; three tries at most.
  EXPECT_THAT(recipients(), ElementsAre("a@x.com", "once@x.com"));
  // Gone is switched off in every list; busy and bad wait for a later pass.
  EXPECT_EQ(actives(), "TTTFTF");
  EXPECT_EQ(logged("busy@x.com"), 3u);
  // Only what went out is in the activity log.
  EXPECT_EQ(store::readLines(folder / "activity.log").size(), 2u);
  server.refusals.clear();
  EXPECT_TRUE(engine().VBSendMessage());
  EXPECT_THAT(recipients(), ElementsAre("a@x.com", "once@x.com", "busy@x.com", "bad@x.com"));
}

TEST_F(SendingPass, SendingLimitOfTheServerPausesThePassUntilTheNextOne) {
  addNewsletter(list, "All", "Hi");
  addNewsletter(list, "All", "Also");
  for (const char* a : {"a@x.com", "b@x.com", "c@x.com"}) add(a, {2026, 12, 1});
  server.limitAfter = 2;
  EXPECT_TRUE(engine().VBSendMessage());
  EXPECT_THAT(recipients(), ElementsAre("a@x.com", "b@x.com"));
  EXPECT_EQ(ui.statuses.back(), "Sending paused: the mail server's sending limit was reached");
  EXPECT_EQ(logged("421"),
            1u);  // nothing was tried after the refusal, not even the next newsletter
  server.limitAfter = static_cast<std::size_t>(-1);
  EXPECT_TRUE(engine().VBSendMessage());
  EXPECT_EQ(server.sent.size(), 6u);
  EXPECT_EQ(server.sent[2].toAddress, "c@x.com");
  EXPECT_EQ(server.sent[3].body, "Also");
}

TEST_F(SendingPass, CapsStopThePassAndHoldAcrossPassesAndProgramStarts) {
  struct Case {
    std::string minute, hour, day;
    std::vector<std::int64_t> waits;  // seconds before each pass after the first
    std::vector<std::size_t> sent;    // messages sent in all after each pass
    std::string firstStop;
  };
  const Case cases[] = {
      {"2", "!", "!", {61, 61}, {2, 4, 5}, "Sending paused: limit per minute reached"},
      {"2", "3", "0", {61, 61, 3600}, {2, 3, 3, 5}, "Sending paused: limit per minute reached"},
      {"", "", "4", {3600, 86400}, {4, 4, 5}, "Sending paused: daily limit reached"},
      {"x", "", "", {}, {5}, "Ready"},  // unreadable caps are no caps
  };
  addNewsletter(list, "All", "Hi");
  for (int i = 0; i < 5; ++i) add("s" + std::to_string(i) + "@x.com", {2026, 12, 1});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.minute + "/" + c.hour + "/" + c.day);
    std::filesystem::remove(folder / "Gold.rate");
    resetSends();
    profile.UpdateFile_new(store::kServerBlock, "capminute", c.minute);
    profile.UpdateFile_new(store::kServerBlock, "caphour", c.hour);
    profile.UpdateFile_new(store::kServerBlock, "capday", c.day);
    for (std::size_t pass = 0; pass < c.sent.size(); ++pass) {
      if (pass > 0) clock.advanceSeconds(c.waits[pass - 1]);
      m_engine.reset();  // as after a program start: only the rate file remembers
      engine().VBSendMessage();
      EXPECT_EQ(server.sent.size(), c.sent[pass]) << "pass " << pass;
      if (pass == 0) {
        EXPECT_EQ(ui.statuses.back(), c.firstStop);
      }
    }
    clock.advanceSeconds(2 * 86400);
  }
  // The order of recipients is that of the table, whatever the stops.
  EXPECT_THAT(recipients(),
              ElementsAre("s0@x.com", "s1@x.com", "s2@x.com", "s3@x.com", "s4@x.com"));
}

TEST_F(SendingPass, CatchUpSendsFollowUpsMissedOverAThreeDayGapOnce) {
  // Days "1": due on Dec 2 for early@, Dec 5 for today@, Dec 6 (tomorrow) for late@; the
  // program did not run from Dec 2 to Dec 4.
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"!", {"today@x.com"}},
      {"2", {"today@x.com"}},
      {"3", {"early@x.com", "today@x.com"}},
      {"30", {"early@x.com", "today@x.com"}},
  };
  int n = addNewsletter(list, "1", "Day one");
  add("early@x.com", {2026, 12, 1});
  add("today@x.com", {2026, 12, 4});
  add("late@x.com", {2026, 12, 5});
  clock.setToday({2026, 12, 5});
  for (const auto& [catchup, expected] : cases) {
    SCOPED_TRACE("catchup " + catchup);
    resetSends();
    profile.UpdateFile_new(store::kNewslettersBlock, "catchup", catchup);
    engine().VBSendMessage();
    EXPECT_EQ(recipients(), expected);
    engine().VBSendMessage();  // once only
    EXPECT_EQ(recipients(), expected);
  }
  // A fixed date three days back counts the same way.
  setNewsletter(n, "dateordays", "date");
  setNewsletter(n, "date", "12/2/2026");
  resetSends();
  profile.UpdateFile_new(store::kNewslettersBlock, "catchup", "3");
  engine().VBSendMessage();
  EXPECT_THAT(recipients(), ElementsAre("early@x.com", "today@x.com", "late@x.com"));
}

TEST_F(SendingPass, WholeTitlesAndAddressesDecideWhatIsDueAndProgressCountsSentOfDueOnceASecond) {
  EXPECT_EQ(engine::PassProgress::text(120, 2000, 0.5), "Sent 120 of 2000");
  EXPECT_EQ(engine::PassProgress::text(120, 2000, 4.0), "Sent 120 of 2000 (30 a second)");
  addNewsletter(list, "All", "Short");  // New Newsletter #1
  add("ann@x.com", {2026, 12, 1});
  table.setSentList(0, "New Newsletter #10[\\?]");  // contains the other title, but is not it
  add("b@x.com", {2026, 12, 1});
  table.setSentList(1, "New Newsletter #1[\\?]");  // not due: already had it
  add("nn@x.com", {2026, 12, 1});                  // part of another address
  engine().VBSendMessage();
  EXPECT_THAT(recipients(), ElementsAre("ann@x.com", "nn@x.com"));
  EXPECT_EQ(std::string(table.record(0).sentList()),
            "New Newsletter #10[\\?]New Newsletter #1[\\?]");
  EXPECT_EQ(ui.lastProgress, 2);
  EXPECT_EQ(ui.progressMaximum, 2);
  EXPECT_THAT(ui.statuses, ElementsAre("Sending...", "Sent 1 of 2", "Sent 2 of 2", "Ready"));
}

TEST_F(SendingPass, UnreadableScheduleSkipsOneNewsletterAndAMissingMessageFileStopsThePass) {
  int broken = addNewsletter(list, "abc", "Broken");
  int dated = addNewsletter(list, "0", "Dated");
  setNewsletter(dated, "dateordays", "date");  // and the date stays "date not set"
  int attached = addNewsletter(list, "All", "With a missing attachment");
  setNewsletter(attached, "attach", (folder / "gone.pdf").string() + ",");
  add("ann@x.com", {2026, 12, 1});
  engine().VBSendMessage();
  ASSERT_EQ(server.sent.size(), 1u);
  EXPECT_EQ(server.sent[0].body, "With a missing attachment");
  EXPECT_THAT(server.sent[0].attachments, ElementsAre((folder / "gone.pdf").string(), ""));
  ASSERT_EQ(logLines().size(), 2u);
  EXPECT_THAT(logLines()[0], HasSubstr("not a number"));
  EXPECT_THAT(logLines()[1], HasSubstr("is not a date: date not set"));
  setNewsletter(broken, "location", (folder / "gone.html").string());
  EXPECT_FALSE(engine().VBSendMessage());
  // Said without a box, which would hold up an unattended cycle.
  const std::string missing =
      (folder / "gone.html").string() + " Does Not Exist in New Newsletter #1";
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.statuses.back(), missing);
  EXPECT_THAT(logLines().back(), HasSubstr(missing));
}

TEST_F(SendingPass, ForcedSendGoesWhateverTheScheduleToActiveSubscribersOfAnyList) {
  EXPECT_THAT(engine::forcedSendRows(5, 2), ElementsAre(2, 3, 4, 5));
  EXPECT_THAT(engine::forcedSendRows(3, 3), ElementsAre(3));
  std::string other = addSignupFilter({engine::makeRuleLine("Subject", "Has", "other", "")});
  int newsletter = addNewsletter(list, "5", "Now ~name~");
  table.add(subscriber("ann@x.com", "Ann", other));
  add("off@x.com", {2026, 12, 5}, "false");
  table.clearChanged();

  engine().forcedSend({0, 1}, newsletter);
  ASSERT_EQ(server.sent.size(), 1u);                    // the inactive subscriber is skipped
  EXPECT_EQ(server.sent[0].fromName, other + " List");  // the subscriber's own list
  engine().forcedSend({0}, newsletter);
  EXPECT_EQ(server.sent.size(), 2u);
  EXPECT_EQ(std::string(table.record(0).sentList()), "New Newsletter #1[\\?]");  // once
  EXPECT_EQ(engine().counters().sentToday, 2);
  EXPECT_TRUE(table.changed());
  EXPECT_EQ(store::readLines(folder / "activity.log").size(), 2u);
  // Three tries, then the failure log.
  server.refuseSends = 2;
  engine().forcedSend({0}, newsletter);
  EXPECT_EQ(server.sent.size(), 3u);
  server.refuseSends = 3;
  engine().forcedSend({0}, newsletter);
  EXPECT_EQ(server.sent.size(), 3u);
  EXPECT_THAT(store::readLines(folder / "unsent.log"),
              ElementsAre("message fail:\tann@x.com\tNew Newsletter #1\t12/5/2026\t1:02:03 PM"));

  engine().forcedSend({0}, 99);  // no such newsletter
  EXPECT_EQ(server.sent.size(), 3u);
  EXPECT_EQ(logLines().back().rfind("ForcedSend ", 0), 0u);
}

TEST_F(SendingPass, SubjectsAndNamesNeverCarryLineBreaksIntoTheMessage) {
  addNewsletter(list, "All", "Hi", "Hello ~name~");
  table.add(subscriber("ann@x.com", "Ann\r\nBcc: evil@x.com", list, "true", {2026, 12, 1}));
  engine().VBSendMessage();
  ASSERT_EQ(server.sent.size(), 1u);
  EXPECT_EQ((server.sent[0].toName + server.sent[0].subject).find('\n'), std::string::npos);
}

// A send the journal cannot record could go out twice after a crash: sending stops after it.
TEST_F(SendingPass, UnwritableJournalStopsThePassAndTheForcedSendAfterTheSendNotRecorded) {
  int newsletter = addNewsletter(list, "All", "Hello");
  for (const char* address : {"a@x.com", "b@x.com", "c@x.com"}) add(address, {2026, 12, 1});
  std::filesystem::create_directory(folder / "Gold.sent");  // no file can be opened there
  const std::pair<const char*, std::function<void()>> sends[] = {
      {"sending pass", [&] { engine().VBSendMessage(); }},
      {"forced send", [&] {
         engine().forcedSend({0, 1, 2}, newsletter);
       }}};
  for (const auto& [what, send] : sends) {
    SCOPED_TRACE(what);
    server.sent.clear();
    send();
    EXPECT_EQ(server.sent.size(), 1u);
    EXPECT_THAT(logLines().back(), HasSubstr("Gold.sent"));
    // The one that went out is in the table, so the next save records it.
    EXPECT_THAT(std::string(table.record(0).sentList()),
                HasSubstr(profile.GetFromFile_new(newsletter, "title")));
  }
  EXPECT_THAT(ui.statuses,
              ::testing::Contains("Sending paused: the send journal cannot be written"));
}

int ticksUntilCycle(CycleScheduler& s, int limit = 100000) {
  for (int tick = 1; tick <= limit; ++tick)
    if (s.timer1Tick()) return tick;
  return -1;
}

TEST(CycleScheduler, EveryIntervalNoneWhileStoppedAWatchdogForStallsAndFiveMinutesIfUnreadable) {
  CycleScheduler s;
  s.start(5);
  EXPECT_EQ(ticksUntilCycle(s), 1);
  s.cycleEnded();
  EXPECT_EQ(ticksUntilCycle(s), 300);
  s.cycleEnded();
  s.start(0.5);
  s.cycleEnded();
  EXPECT_EQ(ticksUntilCycle(s), 30);
  // A stopped server ignores ticks, and send/receive now starts nothing.
  CycleScheduler stopped;
  stopped.start(5);
  stopped.toggleServerRunning(5);
  stopped.command99_Click(5);
  EXPECT_EQ(ticksUntilCycle(stopped, 1000), -1);
  stopped.toggleServerRunning(5);
  EXPECT_EQ(ticksUntilCycle(stopped), 1);
  // The watchdog rearms only when the cycle timer stalls.
  CycleScheduler watched;
  watched.start(1);
  watched.cycleEnded();
  int fired = 0;
  for (int tick = 0; tick < 74; ++tick) fired += watched.timer2Tick();
  EXPECT_EQ(fired, 0);
  EXPECT_TRUE(watched.timer2Tick());  // 75 s = interval + 15 s without a cycle
  EXPECT_EQ(watched.cycleCounter(), 0);
  // Unreadable intervals fall back to five minutes.
  for (auto [text, minutes] :
       {std::pair{"2.5", 2.5}, {"!", 5.0}, {"0", 5.0}, {"-3", 5.0}, {" 10 ", 10.0}})
    EXPECT_EQ(CycleScheduler::minutesFrom(text), minutes) << text;
}

// Runs each transfer on a worker thread while the calling thread goes on turning its event
// loop, as the desktop program does; `onEvent` is one event handled meanwhile.
class WorkerRunner : public mail::TransferRunner {
 public:
  void run(const std::function<void()>& transfer) override {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      transfer();
      done = true;
    });
    while (!done) {
      ++events;
      if (onEvent) onEvent();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
  }
  int events = 0;
  std::function<void()> onEvent;
};

// Notes on which thread each status text was shown.
class ThreadNotingOperator : public RecordingOperator {
 public:
  void showStatus(const std::string& text) override {
    std::lock_guard lock(m_mutex);
    threads.emplace_back(text, std::this_thread::get_id());
  }
  void showProgress(std::int64_t, std::int64_t) override {}
  std::vector<std::pair<std::string, std::thread::id>> threads;

 private:
  std::mutex m_mutex;
};

class TransferThreadCycle : public SendingPass {};

TEST_F(TransferThreadCycle, AgainstASlowServerKeepsTheCallerTurningAndNeverOverlaps) {
  ThreadNotingOperator threadUi;
  store::ErrorTrap threadTrap(folder.path(), threadUi, clock);
  addNewsletter(list, "0", "Welcome ~name~");
  for (int i = 0; i < 5; ++i)
    deliver(message("user" + std::to_string(i) + "@x.com", "", "join", ""));
  server.delay = std::chrono::milliseconds(20);
  WorkerRunner worker;
  std::unique_ptr<engine::MailEngine> engine = makeEngine(worker, threadTrap);
  bool triedAgain = false;
  worker.onEvent = [&] {
    if (triedAgain) return;
    triedAgain = true;
    engine->cmdCheckMail_click();  // a timer tick during the cycle starts nothing
  };
  engine->cmdCheckMail_click();
  EXPECT_EQ(server.clientsMade, 1);
  EXPECT_EQ(table.size(), 5u);
  EXPECT_EQ(server.sent.size(), 5u);
  EXPECT_GT(worker.events, 50);  // 10 slow transfers of 20 ms, events every millisecond
  for (const auto& [text, thread] : threadUi.threads)
    EXPECT_EQ(thread, std::this_thread::get_id()) << text;
}

// A failure of the work alongside must not leave the transfer running on the caller's data.
TEST(TransferThread, WorkerRunnerRunsTheTransferAsideAndWaitsForItWhenTheWorkAlongsideFails) {
  mail::WorkerRunner runner;
  std::thread::id transferThread;
  runner.runAlongside([&] { transferThread = std::this_thread::get_id(); }, [] {});
  EXPECT_NE(transferThread, std::this_thread::get_id());
  bool transferEnded = false;
  EXPECT_THROW(runner.runAlongside(
                   [&] {
                     std::this_thread::sleep_for(std::chrono::milliseconds(20));
                     transferEnded = true;
                   },
                   [] { throw std::runtime_error("alongside failed"); }),
               std::runtime_error);
  EXPECT_TRUE(transferEnded);
}

TEST_F(TransferThreadCycle, OverlappedSendingKeepsEveryAddressToOneCopy) {
  addNewsletter(list, "All", "Hi ~name~");
  for (const char* who : {"a@x.com", "b@x.com", "a@x.com", "c@x.com", "bad-address", "b@x.com"})
    table.add(subscriber(who, "N", list));
  server.refuseSends = 1;  // the first copy to a@x.com is refused
  mail::WorkerRunner worker;
  EXPECT_TRUE(makeEngine(worker, trap)->VBSendMessage());
  // The refused first record is retried through its duplicate further down the list.
  EXPECT_THAT(recipients(), ::testing::ElementsAre("b@x.com", "a@x.com", "c@x.com"));
  EXPECT_EQ(table.active(4), "false");
  EXPECT_EQ(std::string(table.record(0).sentList()), "none");
  EXPECT_EQ(std::string(table.record(2).sentList()), "New Newsletter #1[\\?]");
}

}  // namespace
}  // namespace tidewell::testing
