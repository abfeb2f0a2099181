#pragma once
// What the operator sees of a long sending pass: the progress bar (status panel 1) counts the
// messages sent of those due, and status panel 2 says so with the rate, once a second so the
// text can be read (and a terminal gets a line a second, not two per message). Owner thread.
#include <chrono>
#include <cstdint>
#include <string>

#include "store/operator_interface.h"

namespace tidewell::engine {

class PassProgress {
 public:
  explicit PassProgress(store::OperatorInterface& ui) : m_ui(ui) {}

  void begin(std::int64_t due);
  // Before a message is handed to the server: "Sending..." unless a progress text is on show.
  void sending();
  // After the server accepted one.
  void sent();
  // The last count, then "Ready" when anything was sent.
  void end();

  // "Sent 120 of 2000 (35 a second)"; without the rate while under a second has passed.
  static std::string text(std::int64_t sent, std::int64_t due, double seconds);

 private:
  using Clock = std::chrono::steady_clock;
  bool textOnShow() const;
  void showText();

  store::OperatorInterface& m_ui;
  std::int64_t m_due = 0;
  std::int64_t m_sent = 0;
  Clock::time_point m_start;
  Clock::time_point m_textShown;
  bool m_textEverShown = false;
};

}  // namespace tidewell::engine
