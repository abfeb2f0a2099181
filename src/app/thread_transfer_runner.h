#pragma once
// Runs each mail transfer on a worker thread while the UI thread keeps its event loop turning,
// so the window repaints and scrolls during a cycle. Owned by the cycle driver; run() is called
// on the UI thread, which alone touches the subscriber table meanwhile.

#include "mail/transfer_runner.h"

namespace tidewell::app {

class ThreadTransferRunner : public mail::TransferRunner {
 public:
  // Returns when transfer has ended; an exception it raised is raised again here.
  void run(const std::function<void()>& transfer) override;
  // The same, with alongside run on the UI thread while the transfer runs.
  void runAlongside(const std::function<void()>& transfer,
                    const std::function<void()>& alongside) override;
  // How many transfers have run off the calling thread.
  int transfersRun() const { return m_transfersRun; }

 private:
  void runWith(const std::function<void()>& transfer, const std::function<void()>* alongside);

  int m_transfersRun = 0;
};

}  // namespace tidewell::app
