// When cycles run: the scheduler's ticks, and transfers on a worker thread that never overlap.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "engine/cycle_scheduler.h"
#include "engine/rule_line.h"
#include "engine_fixture.h"
#include "mail/worker_runner.h"

namespace tidewell::testing {
namespace {

using engine::CycleScheduler;

int ticksUntilCycle(CycleScheduler& s, int limit = 100000) {
  for (int tick = 1; tick <= limit; ++tick) {
    if (s.timer1Tick()) return tick;
  }
  return -1;
}

TEST(CycleScheduler, FirstCycleAtOnceThenEveryIntervalAfterTheCycleEnds) {
  CycleScheduler s;
  s.start(5);
  EXPECT_EQ(ticksUntilCycle(s), 1);
  s.cycleEnded();
  EXPECT_EQ(ticksUntilCycle(s), 300);
  s.cycleEnded();
  s.start(0.5);
  s.cycleEnded();
  EXPECT_EQ(ticksUntilCycle(s), 30);
}

TEST(CycleScheduler, StoppedServerIgnoresTicksAndSendReceiveStartsNothing) {
  CycleScheduler s;
  s.start(5);
  s.toggleServerRunning(5);
  EXPECT_FALSE(s.serverRunning());
  s.command99_Click(5);  // send/receive now while stopped
  EXPECT_EQ(ticksUntilCycle(s, 1000), -1);
  s.toggleServerRunning(5);
  EXPECT_EQ(ticksUntilCycle(s), 1);
}

TEST(CycleScheduler, WatchdogRearmsOnlyWhenTheCycleTimerStalls) {
  CycleScheduler s;
  s.start(1);
  s.cycleEnded();
  int fired = 0;
  for (int tick = 0; tick < 74; ++tick) fired += s.timer2Tick();
  EXPECT_EQ(fired, 0);
  EXPECT_TRUE(s.timer2Tick());  // 75 s = interval + 15 s without a cycle
  EXPECT_EQ(s.cycleCounter(), 0);
}

TEST(CycleScheduler, UnreadableIntervalsFallBackToFiveMinutes) {
  for (auto [text, minutes] :
       {std::pair{"2.5", 2.5}, {"!", 5.0}, {"0", 5.0}, {"-3", 5.0}, {" 10 ", 10.0}}) {
    EXPECT_EQ(CycleScheduler::minutesFrom(text), minutes) << text;
  }
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

class TransferThreadCycle : public EngineFixture {
 protected:
  std::string list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")});
};

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
  for (const auto& [text, thread] : threadUi.threads) {
    EXPECT_EQ(thread, std::this_thread::get_id()) << text;
  }
}

// The transfer runs on its own thread, and a failure of the work done alongside must not leave
// it running on the caller's data.
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
  for (const char* who : {"a@x.com", "b@x.com", "a@x.com", "c@x.com", "bad-address", "b@x.com"}) {
    table.add(subscriber(who, "N", list));
  }
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
