#pragma once
// Runs transfers on one worker thread of its own while the calling thread waits, or does its
// alongside work meanwhile (the next message made while the last one is sent). For front ends
// without an event loop (tidewell-cli); the desktop program has its own runner. The runner and
// its thread live as long as the owner; one calling thread.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "mail/transfer_runner.h"

namespace tidewell::mail {

class WorkerRunner : public TransferRunner {
 public:
  WorkerRunner();
  ~WorkerRunner() override;
  WorkerRunner(const WorkerRunner&) = delete;
  WorkerRunner& operator=(const WorkerRunner&) = delete;

  void run(const std::function<void()>& transfer) override;
  void runAlongside(const std::function<void()>& transfer,
                    const std::function<void()>& alongside) override;

 private:
  void work();
  void start(const std::function<void()>& transfer);
  void wait();

  std::mutex m_mutex;
  std::condition_variable m_changed;
  const std::function<void()>* m_transfer = nullptr;
  bool m_busy = false;
  bool m_stopping = false;
  std::thread m_thread;
};

}  // namespace tidewell::mail
