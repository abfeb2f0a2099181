#pragma once
// Runs the network part of an operation. The engine hands every mail transfer to a runner and
// waits for it; the desktop program's runner does the transfer on a worker thread and keeps its
// event loop turning meanwhile, so the window stays responsive while the subscriber table is
// changed only on the calling thread. tidewell-cli and the tests run transfers in place.
#include <functional>

namespace tidewell::mail {

class TransferRunner {
 public:
  virtual ~TransferRunner() = default;
  // Returns when transfer has run to its end.
  virtual void run(const std::function<void()>& transfer) = 0;
  // Runs transfer and, meanwhile on the calling thread, alongside (work that needs no network,
  // such as making the next message); returns when both have ended.
  virtual void runAlongside(const std::function<void()>& transfer,
                            const std::function<void()>& alongside) {
    alongside();
    run(transfer);
  }
};

class InPlaceRunner : public TransferRunner {
 public:
  void run(const std::function<void()>& transfer) override { transfer(); }
};

}  // namespace tidewell::mail
