#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "engine/rule_line.h"
#include "engine_fixture.h"
#include "mail/worker_runner.h"

namespace tidewell::testing {
namespace {

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
  TransferThreadCycle() {
    list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")});
  }
  std::string list;
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

TEST(TransferThread, WorkerRunnerOverlapsAndAlwaysWaitsForTheTransfer) {
  mail::WorkerRunner runner;
  std::atomic<bool> transferStarted{false};
  std::atomic<bool> sawTransferRunning{false};
  std::thread::id transferThread;
  runner.runAlongside(
      [&] {
        transferThread = std::this_thread::get_id();
        transferStarted = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
      },
      [&] {
        while (!transferStarted) std::this_thread::yield();
        sawTransferRunning = true;
      });
  EXPECT_TRUE(sawTransferRunning);
  EXPECT_NE(transferThread, std::this_thread::get_id());

  bool transferEnded = false;
  EXPECT_THROW(runner.runAlongside(
                   [&] {
                     std::this_thread::sleep_for(std::chrono::milliseconds(20));
                     transferEnded = true;
                   },
                   [] { throw std::runtime_error("alongside failed"); }),
               std::runtime_error);
  EXPECT_TRUE(transferEnded);  // the caller's data outlives the transfer
  int runs = 0;
  for (int i = 0; i < 100; ++i) runner.run([&] { ++runs; });
  EXPECT_EQ(runs, 100);
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
