#include <gtest/gtest.h>

#include "engine/cycle_scheduler.h"

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
  EXPECT_EQ(CycleScheduler::minutesFrom("2.5"), 2.5);
  EXPECT_EQ(CycleScheduler::minutesFrom("!"), 5);
  EXPECT_EQ(CycleScheduler::minutesFrom("0"), 5);
  EXPECT_EQ(CycleScheduler::minutesFrom("-3"), 5);
  EXPECT_EQ(CycleScheduler::minutesFrom(" 10 "), 10);
}

}  // namespace
}  // namespace tidewell::testing
