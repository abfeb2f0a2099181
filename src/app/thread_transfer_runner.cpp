#include "thread_transfer_runner.h"

#include <QEventLoop>
#include <QThread>
#include <exception>
#include <memory>

namespace tidewell::app {

void ThreadTransferRunner::run(const std::function<void()>& transfer) {
  runWith(transfer, nullptr);
}

void ThreadTransferRunner::runAlongside(const std::function<void()>& transfer,
                                        const std::function<void()>& alongside) {
  runWith(transfer, &alongside);
}

void ThreadTransferRunner::runWith(const std::function<void()>& transfer,
                                   const std::function<void()>* alongside) {
  std::exception_ptr failure;
  std::exception_ptr alongsideFailure;
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
  if (alongside) {
    // The transfer refers to the caller's data: it must end before a failure here is raised.
    try {
      (*alongside)();
    } catch (...) {
      alongsideFailure = std::current_exception();
    }
  }
  // Input that would change subscribers is switched off by the caller for the whole cycle;
  // everything else (painting, scrolling, timers) goes on.
  loop.exec();
  worker->wait();
  ++m_transfersRun;
  if (failure) std::rethrow_exception(failure);
  if (alongsideFailure) std::rethrow_exception(alongsideFailure);
}

}  // namespace tidewell::app
