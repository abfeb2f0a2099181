#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "engine/rule_line.h"
#include "engine_fixture.h"

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

TEST(TransferThread, CycleAgainstSlowServerKeepsTheCallerTurningAndNeverOverlaps) {
  TempFolder folder;
  ThreadNotingOperator ui;
  FixedClock clock;
  store::ErrorTrap trap(folder.path(), ui, clock);
  // The fixture's own trap is not used; its profile and table are.
  struct Fixture : EngineFixture {
    void TestBody() override {}
  } f;
  std::string list = f.addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")});
  f.addNewsletter(list, "0", "Welcome ~name~");
  for (int i = 0; i < 5; ++i) {
    f.deliver(f.message("user" + std::to_string(i) + "@x.com", "", "join", ""));
  }
  f.server.delay = std::chrono::milliseconds(20);
  WorkerRunner runner;
  engine::EngineContext context{
      trap, f.profile,          f.table, f.file, f.settings, f.folder.path(), "~",
      true, f.server.factory(), runner,  ""};
  engine::MailEngine engine(context, f.profilePath, 0);
  bool triedAgain = false;
  runner.onEvent = [&] {
    if (triedAgain) return;
    triedAgain = true;
    engine.cmdCheckMail_click();  // a timer tick during the cycle starts nothing
  };

  engine.cmdCheckMail_click();

  EXPECT_EQ(f.server.clientsMade, 1);
  EXPECT_EQ(f.table.size(), 5u);
  EXPECT_EQ(f.server.sent.size(), 5u);
  EXPECT_GT(runner.events, 50);  // 10 slow transfers of 20 ms, events every millisecond
  for (const auto& [text, thread] : ui.threads) {
    EXPECT_EQ(thread, std::this_thread::get_id()) << text;
  }
}

}  // namespace
}  // namespace tidewell::testing
