#include "mail/worker_runner.h"

namespace tidewell::mail {

WorkerRunner::WorkerRunner() : m_thread([this] { work(); }) {}

WorkerRunner::~WorkerRunner() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_changed.notify_all();
  m_thread.join();
}

void WorkerRunner::run(const std::function<void()>& transfer) {
  start(transfer);
  wait();
}

void WorkerRunner::runAlongside(const std::function<void()>& transfer,
                                const std::function<void()>& alongside) {
  start(transfer);
  // The transfer must end before this returns, even when the alongside work throws: it refers
  // to the caller's data.
  try {
    alongside();
  } catch (...) {
    wait();
    throw;
  }
  wait();
}

void WorkerRunner::start(const std::function<void()>& transfer) {
  {
    std::lock_guard lock(m_mutex);
    m_transfer = &transfer;
    m_busy = true;
  }
  m_changed.notify_all();
}

void WorkerRunner::wait() {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return !m_busy; });
}

void WorkerRunner::work() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [this] { return m_stopping || m_transfer != nullptr; });
    if (m_transfer == nullptr) return;
    const std::function<void()>* transfer = m_transfer;
    m_transfer = nullptr;
    lock.unlock();
    // A transfer reports its own failures; nothing may escape into the worker.
    try {
      (*transfer)();
    } catch (...) {
    }
    lock.lock();
    m_busy = false;
    m_changed.notify_all();
  }
}

}  // namespace tidewell::mail
