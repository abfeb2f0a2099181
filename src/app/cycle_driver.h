#pragma once
// The main window's check timers (`Timer1`, `Timer2`) and the mail engine of the open profile:
// ticks go to the scheduler, due cycles to the engine, and the Tools menu's server commands
// here. Owned by the main window; UI thread only (transfers run on the runner's thread).

#include <QAction>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "engine/cycle_scheduler.h"
#include "engine/mail_engine.h"
#include "mail/mail_client.h"
#include "profile_session.h"
#include "thread_transfer_runner.h"

namespace tidewell::app {

class CycleDriver : public QObject {
  Q_OBJECT

 public:
  explicit CycleDriver(QObject* parent = nullptr);
  ~CycleDriver() override;

  // The mail clients cycles use; the real client unless a test gives another.
  void setClientFactory(mail::MailClientFactory factory) { m_factory = std::move(factory); }
  void setMenu(QAction* serverRunning, QAction* sendRecv);
  // A profile was opened: a mail engine for it. widths gives the grid's column widths, which
  // every timed cycle writes back.
  void attach(ProfileSession* session, std::function<std::vector<int>()> widths);
  // The profile is left: timers stop and the running total goes back to the session.
  void detach();
  // The Filters panel changed the placeholder delimiter: later cycles fill placeholders with it.
  void fieldDelimiterChanged(const std::string& delimiter);
  // Whether the profile can run cycles at all (it has a filter).
  void setAvailable(bool available);
  // Start-up: running, the first cycle about one tick later; stopped without filters.
  void startRunning();

  void mnuServerRunning_Click();
  void mnuSendRecv_Click();
  void mnuClearPop_Click();
  // The grid's forced send: it runs like a cycle (what changes subscribers waits), and the
  // status bar tells how many of the subscribers it reached.
  void forcedSend(const std::vector<store::Position>& positions, int blockIndex);
  // Mails a test copy of a newsletter as the preview shows it; runs like a cycle and says in the
  // status bar what it did. Nothing is recorded.
  void sendTest(const engine::NewsletterPreview& preview, const std::string& to);
  void timer1Tick();
  void timer2Tick();

  bool busy() const { return m_busy; }
  // Closes window once the cycle in progress has ended.
  void closeWhenIdle(QWidget* window);
  QTimer* timer1() const { return m_timer1; }
  QTimer* timer2() const { return m_timer2; }
  const engine::CycleScheduler& scheduler() const { return m_scheduler; }
  engine::MailEngine* engine() const { return m_engine.get(); }
  const ThreadTransferRunner& runner() const { return m_runner; }

 signals:
  // A cycle changed the subscribers (captures, opt-outs, sends): the grid is rebuilt.
  void subscribersChanged();
  // The cycle could not log in because the account's server ("pop3") presented a certificate
  // nobody vouches for.
  void certificateRefused(const QString& account);
  void countersChanged(qint64 sentToday, qint64 totalSent);
  // A cycle started (true) or ended (false): actions that change subscribers wait.
  void busyChanged(bool busy);

 private:
  void makeEngine(std::int64_t totalSent);
  void runCycle();
  void syncTimers();
  void publishCounters();

  QTimer* m_timer1;
  QTimer* m_timer2;
  QPointer<QAction> m_serverRunning;
  QPointer<QAction> m_sendRecv;
  engine::CycleScheduler m_scheduler;
  ThreadTransferRunner m_runner;
  mail::MailClientFactory m_factory;
  std::unique_ptr<engine::MailEngine> m_engine;
  ProfileSession* m_session = nullptr;
  std::function<std::vector<int>()> m_widths;
  std::int64_t m_sentToday = 0;  // counts from the program's start, across profiles
  bool m_available = false;
  bool m_busy = false;
  QPointer<QWidget> m_closeAfterCycle;
};

}  // namespace tidewell::app
