#include "engine/send_recorder.h"

#include "store/date_text.h"
#include "store/error.h"

namespace tidewell::engine {

namespace {

std::filesystem::path ratePath(const std::filesystem::path& subscriberFile) {
  std::filesystem::path rate = subscriberFile;
  return rate.replace_extension(".rate");
}

}  // namespace

SendRecorder::SendRecorder(EngineContext& context)
    : m_context(context),
      m_journal(store::SendJournal::forSubscriberFile(context.subscriberFile.path())),
      m_rate(ratePath(context.subscriberFile.path())) {
  m_rate.load(context.clock().secondsNow());
}

std::string SendRecorder::capReached(const SendCaps& caps) const {
  return m_rate.capReached(caps, m_context.clock().secondsNow());
}

void SendRecorder::stamp() {
  std::string date = store::shortDateText(m_context.clock().today());
  std::string time = m_context.clock().timeText();
  std::lock_guard lock(m_mutex);
  m_date = std::move(date);
  m_time = std::move(time);
}

void SendRecorder::accepted(std::string_view address, std::string_view title) {
  std::string problem;
  std::lock_guard lock(m_mutex);
  bool written = m_journal.append(address, title, m_date, m_time, &problem) &&
                 m_rate.append(m_context.clock().secondsNow(), &problem);
  if (!written && m_problem.empty()) m_problem = problem;
}

bool SendRecorder::reportProblems(store::Procedure procedure) {
  std::string problem;
  {
    std::lock_guard lock(m_mutex);
    problem.swap(m_problem);
  }
  if (problem.empty()) return true;
  m_context.trap.report(procedure, {store::ErrorNumber::kPathAccess, problem});
  return false;
}

}  // namespace tidewell::engine
