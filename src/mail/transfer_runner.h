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
};

class InPlaceRunner : public TransferRunner {
 public:
  void run(const std::function<void()>& transfer) override { transfer(); }
};

}  // namespace tidewell::mail
