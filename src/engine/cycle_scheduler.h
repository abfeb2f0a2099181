#pragma once
// The timing of check cycles as the main window's two one-second timers count it: the cycle
// timer starts a cycle every "mins" minutes while the server runs, and the watchdog re-arms the
// timers should the cycle timer ever stop counting. Qt-free: the window's timers call the ticks.
// Owned by the main window; user-interface thread only.
#include <cstdint>
#include <string>

namespace tidewell::engine {

class CycleScheduler {
 public:
  static constexpr std::int64_t kTickMilliseconds = 1000;

  // Minutes between cycles; text that is not a positive number counts as the default 5.
  static double minutesFrom(const std::string& minsText);

  bool serverRunning() const { return m_serverRunning; }
  bool timersEnabled() const { return m_timersEnabled; }
  std::int64_t cycleCounter() const { return m_cycleCounter; }
  std::int64_t watchdogCounter() const { return m_watchdogCounter; }

  // Timer1: true when a cycle is due now; the caller runs it and then calls cycleEnded.
  bool timer1Tick();
  // Timer2: true when it re-armed the timers (command99_Click) because the cycle timer stalled.
  bool timer2Tick();
  void cycleEnded();

  // command99_Click: timers on and both counters at the interval, so the next cycle-timer tick
  // starts a cycle.
  void command99_Click(double minutes);
  // mnuServerRunning: stopping disables the timers; starting arms an immediate cycle.
  void toggleServerRunning(double minutes);
  // Start-up with a profile that has filters: running, first cycle about one second later.
  void start(double minutes);
  // A profile without filters: nothing runs.
  void stop();

 private:
  std::int64_t interval() const;

  double m_minutes = 5;
  bool m_serverRunning = false;
  bool m_timersEnabled = false;
  std::int64_t m_cycleCounter = 0;
  std::int64_t m_watchdogCounter = 0;
};

}  // namespace tidewell::engine
