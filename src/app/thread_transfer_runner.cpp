#include "thread_transfer_runner.h"

#include <QEventLoop>
#include <QThread>
#include <exception>
#include <memory>

namespace tidewell::app {

void ThreadTransferRunner::run(const std::function<void()>& transfer) {
  std::exception_ptr failure;
  std::unique_ptr<QThread> worker(QThread::create([&] {
    try {
      transfer();
    } catch (...) {
      failure = std::current_exception();
    }
  }));
  QEventLoop loop;
  QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                   Qt::QueuedConnection);
  worker->start();
  // Input that would change subscribers is switched off by the caller for the whole cycle;
  // everything else (painting, scrolling, timers) goes on.
  loop.exec();
  worker->wait();
  ++m_transfersRun;
  if (failure) std::rethrow_exception(failure);
}

}  // namespace tidewell::app
