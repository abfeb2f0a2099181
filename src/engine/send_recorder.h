#pragma once
// What must be on disk the moment a server accepted a message, before the next one is begun:
// the send journal line (so a crash never sends it again) and the time of the send (for the
// caps). Made for one pass or forced send by the thread that owns the table; accepted() is
// called on the transfer thread.
#include <mutex>
#include <string>
#include <string_view>

#include "engine/engine_context.h"
#include "engine/send_rate.h"
#include "store/send_journal.h"

namespace tidewell::engine {

class SendRecorder {
 public:
  // Raises when the profile has no usable title (no subscriber file, so no journal) or the
  // rate file cannot be pruned.
  explicit SendRecorder(EngineContext& context);

  // The date and time texts for the next journal lines; owner thread, before the transfer.
  void stamp();
  // Thread-safe; the reason of a failed append is kept for reportProblems.
  void accepted(std::string_view address, std::string_view title);
  // Owner thread: puts the reasons of failed appends into the error log; false when there were
  // any, so that nothing more is sent that could not be recorded.
  bool reportProblems(store::Procedure procedure);
  // End of the pass: the journal flushed to disk.
  void finish() { m_journal.sync(); }
  // "Sending paused: ..." once a cap is reached; empty while sending may go on.
  std::string capReached(const SendCaps& caps) const;
  std::size_t capRoom(const SendCaps& caps) const {
    return m_rate.room(caps, m_context.clock().secondsNow());
  }

 private:
  EngineContext& m_context;
  store::SendJournal& m_journal;
  SendRate m_rate;
  std::mutex m_mutex;
  std::string m_date;
  std::string m_time;
  std::string m_problem;
};

}  // namespace tidewell::engine
