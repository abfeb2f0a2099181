#include "cycle_driver.h"

#include <QWidget>

#include "subscribers/grid_column_table.h"
#ifdef TIDEWELL_NET_MAIL
#include "mail/net_mail_client.h"
#endif

namespace tidewell::app {

namespace {

QTimer* makeTimer(const char* name, QObject* parent) {
  auto* timer = new QTimer(parent);
  timer->setObjectName(name);
  timer->setInterval(static_cast<int>(engine::CycleScheduler::kTickMilliseconds));
  return timer;
}

}  // namespace

CycleDriver::CycleDriver(QObject* parent)
    : QObject(parent), m_timer1(makeTimer("Timer1", this)), m_timer2(makeTimer("Timer2", this)) {
#ifdef TIDEWELL_NET_MAIL
  m_factory = mail::netMailClientFactory();
#endif
  connect(m_timer1, &QTimer::timeout, this, &CycleDriver::timer1Tick);
  connect(m_timer2, &QTimer::timeout, this, &CycleDriver::timer2Tick);
}

CycleDriver::~CycleDriver() = default;

void CycleDriver::setMenu(QAction* serverRunning, QAction* sendRecv) {
  m_serverRunning = serverRunning;
  m_sendRecv = sendRecv;
  setAvailable(false);
}

void CycleDriver::attach(ProfileSession* session, std::function<std::vector<int>()> widths) {
  detach();
  m_session = session;
  m_widths = std::move(widths);
  makeEngine(session->settings().totalEmailsSent);
}

void CycleDriver::makeEngine(std::int64_t totalSent) {
  const store::ProfileSettings& loaded = m_session->settings();
  engine::EngineContext context{m_session->profile().trap(),
                                m_session->profile(),
                                m_session->table(),
                                m_session->subscriberFile(),
                                m_session->settings().campaign,
                                m_session->profile().path().parent_path(),
                                loaded.fieldDelimiter,
                                loaded.deactivate,
                                m_factory,
                                m_runner,
                                {}};
  m_engine = std::make_unique<engine::MailEngine>(context, m_session->profile().path(), totalSent);
  publishCounters();
}

void CycleDriver::fieldDelimiterChanged(const std::string&) {
  // The engine copies its context; a new one (same counters) takes the session's new delimiter.
  if (!m_engine || m_busy) return;
  m_sentToday += m_engine->counters().sentToday;
  makeEngine(m_engine->counters().totalSent);
}

void CycleDriver::detach() {
  m_timer1->stop();
  m_timer2->stop();
  m_scheduler.stop();
  if (m_engine && m_session) {
    m_session->settings().totalEmailsSent =
        static_cast<std::int32_t>(m_engine->counters().totalSent);
    m_sentToday += m_engine->counters().sentToday;
  }
  m_engine.reset();
  m_session = nullptr;
  syncTimers();
}

void CycleDriver::setAvailable(bool available) {
  const bool was = m_available;
  m_available = available && m_engine && m_factory;
  if (m_serverRunning) m_serverRunning->setEnabled(m_available);
  if (m_sendRecv) m_sendRecv->setEnabled(m_available);
  // The first filter of a profile starts the cycles as opening a profile with filters does;
  // without filters there is nothing to check for.
  if (m_engine && was != m_available) startRunning();
}

void CycleDriver::startRunning() {
  if (m_available) {
    m_scheduler.start(m_engine->checkIntervalMinutes());
  } else {
    m_scheduler.stop();
  }
  syncTimers();
}

void CycleDriver::mnuServerRunning_Click() {
  if (!m_engine || !m_available) return;
  m_scheduler.toggleServerRunning(m_engine->checkIntervalMinutes());
  syncTimers();
}

void CycleDriver::mnuSendRecv_Click() {
  if (!m_engine || !m_available) return;
  m_scheduler.command99_Click(m_engine->checkIntervalMinutes());
  syncTimers();
  if (!m_scheduler.serverRunning()) {
    m_session->profile().trap().ui().showStatus(
        "Send/Receive waits: the server is stopped. Tick Tools > Server Running to check mail");
  }
}

void CycleDriver::mnuClearPop_Click() {
  if (m_engine && !m_busy) m_engine->clearPopHistory();
}

void CycleDriver::timer1Tick() {
  // Ticks that fall due during a cycle are dropped, not queued: the cycle restarts the count.
  if (!m_engine || m_busy || !m_scheduler.timer1Tick()) return;
  m_engine->beforeTimedCycle();
  if (m_widths) {
    subscribers::s_update_col_widths(m_session->grid().columns(), m_widths(),
                                     m_session->settingsFile());
  }
  runCycle();
  m_scheduler.cycleEnded();
}

void CycleDriver::timer2Tick() {
  if (!m_engine || m_busy) return;
  if (m_scheduler.timer2Tick()) syncTimers();
}

void CycleDriver::runCycle() {
  // Captures, opt-outs and sends all change the table; the grid then shows them at once.
  const std::uint64_t changesBefore = m_session->table().changeCount();
  m_busy = true;
  emit busyChanged(true);
  m_engine->cmdCheckMail_click();
  m_busy = false;
  emit busyChanged(false);
  publishCounters();
  if (m_session->table().changeCount() != changesBefore) emit subscribersChanged();
  if (m_engine->lastLoginFailure() == engine::LoginFailure::kUntrustedCertificate) {
    emit certificateRefused("pop3");
  }
  if (m_closeAfterCycle) m_closeAfterCycle->close();
}

void CycleDriver::forcedSend(const std::vector<store::Position>& positions, int blockIndex) {
  if (!m_engine || m_busy || !m_factory) return;
  std::int64_t before = m_engine->counters().totalSent;
  std::filesystem::path unsentLog = m_session->profile().path().parent_path() / "unsent.log";
  std::error_code ec;
  std::uintmax_t unsentBefore = std::filesystem::file_size(unsentLog, ec);
  if (ec) unsentBefore = 0;
  m_busy = true;
  emit busyChanged(true);
  m_engine->forcedSend(positions, blockIndex);
  m_busy = false;
  emit busyChanged(false);
  publishCounters();
  std::int64_t sent = m_engine->counters().totalSent - before;
  std::uintmax_t unsentAfter = std::filesystem::file_size(unsentLog, ec);
  bool gaveUp = !ec && unsentAfter > unsentBefore;
  m_session->profile().trap().ui().showStatus("Forced send: " + std::to_string(sent) + " of " +
                                              std::to_string(positions.size()) + " sent" +
                                              (gaveUp ? " (see unsent.log)" : ""));
  if (m_closeAfterCycle) m_closeAfterCycle->close();
}

void CycleDriver::sendTest(const engine::NewsletterPreview& preview, const std::string& to) {
  if (!m_engine || !m_factory) return;
  auto& ui = m_session->profile().trap().ui();
  if (m_busy) {
    ui.showStatus("The test waits: a check cycle is running");
    return;
  }
  m_busy = true;
  emit busyChanged(true);
  ui.showStatus("Sending a test of " + preview.title + " to " + to + "...");
  std::string problem;
  bool sent = m_engine->sendTest(preview.message, to, problem);
  m_busy = false;
  emit busyChanged(false);
  ui.showStatus(sent ? "Test of " + preview.title + " as " + preview.message.toAddress +
                           " sent to " + to + " (not recorded)"
                     : "Test of " + preview.title + " not sent: " + problem);
  if (m_closeAfterCycle) m_closeAfterCycle->close();
}

void CycleDriver::closeWhenIdle(QWidget* window) {
  m_closeAfterCycle = window;
}

void CycleDriver::syncTimers() {
  bool on = m_scheduler.timersEnabled();
  if (on != m_timer1->isActive()) on ? m_timer1->start() : m_timer1->stop();
  if (on != m_timer2->isActive()) on ? m_timer2->start() : m_timer2->stop();
  if (m_serverRunning) m_serverRunning->setChecked(m_scheduler.serverRunning());
}

void CycleDriver::publishCounters() {
  if (!m_engine) return;
  // The engine counts "today" per profile; the window counts it from the program's start.
  const engine::SendCounters& counters = m_engine->counters();
  emit countersChanged(m_sentToday + counters.sentToday, counters.totalSent);
}

}  // namespace tidewell::app
