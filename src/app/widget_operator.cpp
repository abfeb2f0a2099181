#include "widget_operator.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QThread>
#include <algorithm>
#include <limits>

namespace tidewell::app {

namespace {

// A progress bar counts in int; longer operations are scaled down to fit.
std::pair<int, int> progressRange(std::int64_t value, std::int64_t maximum) {
  constexpr std::int64_t kLimit = std::numeric_limits<int>::max();
  std::int64_t divisor = maximum > kLimit ? maximum / kLimit + 1 : 1;
  std::int64_t top = std::max<std::int64_t>(maximum / divisor, 0);
  return {static_cast<int>(std::clamp<std::int64_t>(value / divisor, 0, top)),
          static_cast<int>(top)};
}

}  // namespace

void WidgetOperator::attach(QWidget* window, QLabel* statusText, QProgressBar* progress) {
  m_window = window;
  m_statusText = statusText;
  m_progress = progress;
}

template <class Work>
void WidgetOperator::onUiThread(Work&& work) {
  QObject* context = m_window ? static_cast<QObject*>(m_window.data()) : qApp;
  if (!context) return;
  if (QThread::currentThread() == context->thread()) {
    work();
  } else {
    QMetaObject::invokeMethod(context, std::forward<Work>(work), Qt::QueuedConnection);
  }
}

void WidgetOperator::showStatus(const std::string& text) {
  onUiThread([this, text = QString::fromStdString(text)] {
    if (m_statusText) m_statusText->setText(text);
    if (m_statusObserver) m_statusObserver(text);
  });
}

void WidgetOperator::showMessage(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Information, QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Ok, m_window);
  box.exec();
}

bool WidgetOperator::askYesNo(const std::string& question, const std::string& caption) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                  QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No, m_window);
  return box.exec() == QMessageBox::Yes;
}

void WidgetOperator::showProgress(std::int64_t value, std::int64_t maximum) {
  auto [shown, top] = progressRange(value, maximum);
  onUiThread([this, shown = shown, top = top] {
    if (!m_progress) return;
    m_progress->setRange(0, top);
    m_progress->setValue(shown);
    m_progress->setVisible(true);
  });
}

void WidgetOperator::hideProgress() {
  onUiThread([this] {
    if (m_progress) m_progress->setVisible(false);
  });
}

}  // namespace tidewell::app
