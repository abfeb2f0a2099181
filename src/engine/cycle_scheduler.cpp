#include "engine/cycle_scheduler.h"

#include <cmath>
#include <cstdlib>

#include "store/text.h"

namespace tidewell::engine {

namespace {

constexpr double kDefaultMinutes = 5;
constexpr std::int64_t kWatchdogGraceMilliseconds = 15000;

}  // namespace

double CycleScheduler::minutesFrom(const std::string& minsText) {
  std::string text(store::trim(minsText));
  char* end = nullptr;
  double minutes = std::strtod(text.c_str(), &end);
  // Zero or an unreadable interval would start a cycle at every tick.
  if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(minutes) ||
      minutes <= 0) {
    return kDefaultMinutes;
  }
  return minutes;
}

std::int64_t CycleScheduler::interval() const {
  return static_cast<std::int64_t>(std::llround(m_minutes * 60000));
}

bool CycleScheduler::timer1Tick() {
  if (!m_serverRunning || !m_timersEnabled) return false;
  m_cycleCounter += kTickMilliseconds;
  return m_cycleCounter >= interval();
}

bool CycleScheduler::timer2Tick() {
  if (!m_serverRunning || !m_timersEnabled) return false;
  m_watchdogCounter += kTickMilliseconds;
  if (m_watchdogCounter < interval() + kWatchdogGraceMilliseconds) return false;
  command99_Click(m_minutes);
  m_watchdogCounter = 0;
  m_cycleCounter = 0;
  return true;
}

void CycleScheduler::cycleEnded() {
  m_cycleCounter = 0;
  m_watchdogCounter = 0;
}

void CycleScheduler::command99_Click(double minutes) {
  m_minutes = minutes;
  m_timersEnabled = true;
  m_cycleCounter = interval();
  m_watchdogCounter = interval();
}

void CycleScheduler::toggleServerRunning(double minutes) {
  if (m_serverRunning) {
    m_serverRunning = false;
    m_timersEnabled = false;
    return;
  }
  m_serverRunning = true;
  command99_Click(minutes);
}

void CycleScheduler::start(double minutes) {
  m_serverRunning = true;
  m_timersEnabled = true;
  m_minutes = minutes;
  m_cycleCounter = interval();
}

void CycleScheduler::stop() {
  m_serverRunning = false;
  m_timersEnabled = false;
}

}  // namespace tidewell::engine
