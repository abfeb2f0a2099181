#include "engine/send_recorder.h"

#include "store/date_text.h"
#include "store/error.h"

namespace tidewell::engine {

SendRecorder::SendRecorder(EngineContext& context)
    : m_context(context),
      m_journal(store::SendJournal::forSubscriberFile(context.subscriberFile.path())) {}

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
  if (!m_journal.append(address, title, m_date, m_time, &problem) && m_problem.empty())
    m_problem = problem;
}

void SendRecorder::reportProblems(store::Procedure procedure) {
  std::string problem;
  {
    std::lock_guard lock(m_mutex);
    problem.swap(m_problem);
  }
  if (!problem.empty())
    m_context.trap.report(procedure, {store::ErrorNumber::kPathAccess, problem});
}

}  // namespace tidewell::engine
