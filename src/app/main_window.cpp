#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>

#include "about_window.h"
#include "certificate_dialog.h"
#include "cipher/system_keyring.h"
#include "cycle_lock.h"
#include "editor/ui/panel_factory.h"
#include "engine/newsletter_schedule.h"
#include "engine/rotated_sign_ins.h"
#include "message_box_titles.h"
#include "new_profile_wizard.h"
#include "open_profile_dialog.h"
#include "pending_signups_dialog.h"
#include "preview_dialog.h"
#include "rotated_sign_in_saver.h"
#include "startup_window.h"
#include "store/date_text.h"
#include "store/profile_model.h"
#include "subscribers/forced_send_menu.h"
#include "tree_rules.h"
#include "web_kit_dialog.h"
#include "window_rules.h"

namespace tidewell::app {

namespace {

QAction* namedAction(QMenu* menu, const QString& text, const char* name) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  return action;
}

}  // namespace

MainWindow::MainWindow(std::filesystem::path programFolder, QWidget* parent)
    : QMainWindow(parent),
      m_programFolder(std::move(programFolder)),
      m_startFolder(m_programFolder),
      m_statusCaption(new QLabel(this)),
      m_statusText(new QLabel(this)),
      m_progress(new QProgressBar(this)),
      m_trap(m_programFolder, m_operator, m_clock),
      m_enciphering(m_trap),
      m_keyring(cipher::systemKeyring()),
      m_cipher(m_enciphering, m_keyring.get(), m_trap),
      m_settings(m_programFolder, m_trap),
      m_tree(new ProfileTree(this)),
      m_stack(new QStackedWidget(this)),
      m_tabs(new QTabWidget(this)),
      m_statistics(new StatisticsView(this)),
      m_cycle(new CycleDriver(this)) {
  setObjectName("frmMain");
  MessageBoxTitles::install();
  setWindowTitle(QString::fromStdString(programCaption()));
  m_operator.attach(this, m_statusText, m_progress);
  buildMenus();
  buildStatusBar();

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setObjectName("pbLeft");
  splitter->addWidget(m_tree);
  splitter->addWidget(m_stack);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({260, 700});
  m_tabs->setObjectName("tabMain");
  m_tabs->addTab(splitter, tr("&Profile"));
  m_tabs->addTab(m_statistics, tr("S&tatistics"));
  setCentralWidget(m_tabs);
  connect(m_tabs, &QTabWidget::currentChanged, this, [this] { refreshStatisticsIfShown(); });
  resize(960, 620);

  m_idleOnlyActions = findChildren<QAction*>();
  m_idleOnlyActions.removeIf([](QAction* a) {
    return !a->objectName().startsWith("mnu") || a->objectName() == "mnuExit" ||
           a->objectName() == "mnuServerRunning" || a->objectName() == "mnuUserManual" ||
           a->objectName() == "mnuAbout" || a->objectName() == "mnuStatistics";
  });
  connect(m_tree, &ProfileTree::nodeRequested, this, &MainWindow::nodeClicked);
  connect(m_tree, &ProfileTree::menuRequested, this, &MainWindow::showTreeMenu);
  connect(m_cycle, &CycleDriver::subscribersChanged, this, [this] {
    if (m_userPanel) m_userPanel->reloadGridKeepingTop();
  });
  connect(m_cycle, &CycleDriver::certificateRefused, this,
          [this](const QString& account) { showCertificate(account.toStdString(), false); });
  connect(m_cycle, &CycleDriver::busyChanged, this, &MainWindow::setCycleBusy);
  // A newsletter's "Times Sent" grows with the sends of a cycle or a forced send.
  connect(m_cycle, &CycleDriver::busyChanged, this, [this](bool busy) {
    if (!busy && m_session && m_currentKind == QLatin1String("newsletter")) {
      if (auto* panel = currentPanel()) panel->showBlock(m_currentIndex);
    }
  });
  connect(m_cycle, &CycleDriver::busyChanged, this, [this](bool busy) {
    if (!busy) refreshStatisticsIfShown();
  });
  new RotatedSignInSaver([this] { saveRotatedSignIns(); }, this);
  connect(m_cycle, &CycleDriver::countersChanged, this, [this](qint64 today, qint64 total) {
    if (m_userPanel) m_userPanel->setSentCounters(today, total);
  });
}

MainWindow::~MainWindow() {
  m_cycle->detach();
  // The panels let go of the session's grid before the session goes.
  dropPanels();
}

void MainWindow::saveRotatedSignIns() {
  if (!m_session) return;
  engine::saveRotatedSignIns(m_session->profile(), m_cipher, m_session->settings().campaign,
                             store::shortDateText(m_clock.today()));
}

void MainWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  connect(namedAction(file, tr("&New Profile"), "mnuNewProfile"), &QAction::triggered, this,
          &MainWindow::mnuNewProfile_Click);
  connect(namedAction(file, tr("&Open Profile"), "mnuOpenProfile"), &QAction::triggered, this,
          &MainWindow::mnuOpenProfile_Click);
  file->addSeparator();
  connect(namedAction(file, tr("E&xit"), "mnuExit"), &QAction::triggered, this, &QWidget::close);

  QMenu* tools = menuBar()->addMenu(tr("&Tools"));
  m_sendRecv = namedAction(tools, tr("&Send/Receive"), "mnuSendRecv");
  m_serverRunning = namedAction(tools, tr("Server &Running"), "mnuServerRunning");
  m_serverRunning->setCheckable(true);
  QAction* clearPop = namedAction(tools, tr("Clear POP History"), "mnuClearPop");
  tools->addSeparator();
  m_newNewsletter = namedAction(tools, tr("New N&ewsletter"), "mnuNewNewsletter");
  m_newFilter = namedAction(tools, tr("New &Filter"), "mnuNewFilter");
  tools->addSeparator();
  QAction* statistics = namedAction(tools, tr("S&tatistics"), "mnuStatistics");
  statistics->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  connect(statistics, &QAction::triggered, this, &MainWindow::mnuStatistics_Click);
  QAction* webKit = namedAction(tools, tr("&Web Kit..."), "mnuWebKit");
  connect(webKit, &QAction::triggered, this, &MainWindow::mnuWebKit_Click);
  QAction* pending = namedAction(tools, tr("&Pending Sign-Ups..."), "mnuPendingSignUps");
  connect(pending, &QAction::triggered, this, &MainWindow::mnuPendingSignUps_Click);
  connect(namedAction(tools, tr("Suppression &List..."), "mnuSuppression"), &QAction::triggered,
          this, [this] { showHygiene(subscribers::ui::SuppressionDialog::Page::kSuppressed); });
  connect(namedAction(tools, tr("&Bounce Strikes..."), "mnuStrikes"), &QAction::triggered, this,
          [this] { showHygiene(subscribers::ui::SuppressionDialog::Page::kStrikes); });
  connect(m_sendRecv, &QAction::triggered, m_cycle, &CycleDriver::mnuSendRecv_Click);
  // triggered has already flipped the tick; the cycle decides from the state before the click.
  connect(m_serverRunning, &QAction::triggered, m_cycle, [this](bool checked) {
    m_serverRunning->setChecked(!checked);
    m_cycle->mnuServerRunning_Click();
  });
  connect(clearPop, &QAction::triggered, m_cycle, &CycleDriver::mnuClearPop_Click);
  connect(m_newNewsletter, &QAction::triggered, this, &MainWindow::cmdNewNewsletter_Click);
  connect(m_newFilter, &QAction::triggered, this, &MainWindow::cmdNewInbound_Click);
  m_cycle->setMenu(m_serverRunning, m_sendRecv);

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  connect(namedAction(help, tr("&User Manual"), "mnuUserManual"), &QAction::triggered, this,
          &MainWindow::mnuUserManual_Click);
  connect(namedAction(help, tr("&About"), "mnuAbout"), &QAction::triggered, this,
          &MainWindow::mnuAbout_Click);
}

void MainWindow::mnuWebKit_Click() {
  if (!m_session) return;
  WebKitDialog dialog(m_session->profile(), m_cipher, m_clock, m_session->settings().campaign,
                      this);
  dialog.exec();
}

void MainWindow::mnuPendingSignUps_Click() {
  if (!m_session || !m_cycle->engine()) return;
  PendingSignupsDialog dialog(m_cycle->engine()->context(), this);
  dialog.setBusy(m_cycle->busy());
  connect(m_cycle, &CycleDriver::busyChanged, &dialog, &PendingSignupsDialog::setBusy);
  dialog.exec();
  if (!dialog.subscribersChanged()) return;
  m_session->saveSubscribersIfChanged();
  if (m_userPanel) m_userPanel->reloadGrid();  // new records need rows
}

void MainWindow::showHygiene(subscribers::ui::SuppressionDialog::Page page) {
  if (!m_session) return;
  subscribers::ui::SuppressionDialog dialog(m_session->profile().path(), m_clock.today(), this);
  dialog.showPage(page);
  dialog.exec();
}

void MainWindow::mnuStatistics_Click() {
  m_tabs->setCurrentWidget(m_statistics);
}

void MainWindow::refreshStatisticsIfShown() {
  if (m_session && m_tabs->currentWidget() == m_statistics) m_statistics->refresh();
}

void MainWindow::showPreview(int blockIndex, std::optional<store::Position> subscriber) {
  if (!m_session || !m_cycle->engine()) return;
  std::string list = m_session->profile().GetFromFile_new(blockIndex, "rule");
  std::string address;
  auto& table = m_session->table();
  if (!subscriber) subscriber = engine::previewSubscriber(table, "", list);
  if (subscriber) address = std::string(table.record(*subscriber).email());
  PreviewDialog::Source source;
  source.preview = [this, blockIndex, list](const std::string& wanted) {
    auto p = engine::previewSubscriber(m_session->table(), wanted, list);
    if (!p) {
      engine::NewsletterPreview none;
      none.problem = wanted.empty() ? "The list " + list + " has no active subscriber"
                                    : "No subscriber has the address " + wanted;
      return none;
    }
    return m_cycle->engine()->preview(blockIndex, *p);
  };
  source.wholeText = [this](const mail::OutgoingMessage& message) {
    return m_cycle->engine()->messageText(message);
  };
  source.sendTest = [this, blockIndex](const mail::OutgoingMessage& message,
                                       const std::string& to) {
    engine::NewsletterPreview shown;
    shown.message = message;
    shown.title = m_session->profile().GetFromFile_new(blockIndex, "title");
    m_cycle->sendTest(shown, to);
  };
  source.testAddress = engine::testAddressOf(m_session->settings().campaign);
  PreviewDialog dialog(source, address, this);
  dialog.exec();
}

void MainWindow::buildStatusBar() {
  statusBar()->setObjectName("StatusBar1");
  statusBar()->setSizeGripEnabled(true);
  auto* panel1 = new QWidget(this);
  panel1->setObjectName("StatusPanel1");
  auto* layout = new QHBoxLayout(panel1);
  layout->setContentsMargins(4, 0, 4, 0);
  m_statusCaption->setObjectName("lblStatusCaption");
  m_statusCaption->setText(QString::fromStdString(programCaption()));
  m_progress->setObjectName("ProgressBar1");
  m_progress->setMaximumWidth(160);
  m_progress->setTextVisible(false);
  m_progress->hide();
  layout->addWidget(m_statusCaption);
  layout->addWidget(m_progress);
  m_statusText->setObjectName("lblStatusText");
  m_statusText->setText(tr("Ready"));
  statusBar()->addWidget(panel1);
  statusBar()->addWidget(m_statusText, 1);
}

editor::ui::PanelServices MainWindow::panelServices() {
  editor::ui::PanelServices services;
  services.profile = &m_session->profile();
  services.trap = &m_trap;
  services.settings = &m_session->settings().campaign;
  services.cipher = &m_cipher;
  services.filterList = [this]() -> const std::vector<store::FilterRecord>& {
    return m_session->filterList();
  };
  services.rebuildFilterList = [this] { LoadShow(); };
  services.reloadTree = [this](int index) {
    LoadTree();
    ShowFrame(index);
  };
  // The panel shown is the current node's: its node is found by index, never by a title
  // another node may share.
  services.renameNode = [this](const std::string&, const std::string& newTitle) {
    m_tree->renameNodeAt(m_currentIndex, QString::fromStdString(newTitle));
  };
  services.showStatus = [this](const std::string& text) { m_operator.showStatus(text); };
  services.previewNewsletter = [this](int index) { showPreview(index, std::nullopt); };
  services.fieldDelimiterChanged = [this](const std::string& delimiter) {
    m_session->settings().fieldDelimiter = delimiter;
    m_cycle->fieldDelimiterChanged(delimiter);
  };
  services.trustCertificate = [this](const std::string& account) {
    showCertificate(account, true);
  };
  return services;
}

void MainWindow::addPanel(editor::ui::PropertyPanel* panel, const char* frameName) {
  if (panel->objectName().isEmpty()) panel->setObjectName(frameName);
  m_stack->addWidget(panel);
  m_panels[panel->kindWord()] = panel;
}

void MainWindow::dropPanels() {
  if (m_userPanel) m_userPanel->attach(nullptr, nullptr, nullptr);
  for (auto& [kind, panel] : m_panels) delete panel;
  m_panels.clear();
  m_userPanel = nullptr;
  m_currentIndex = 0;
  m_currentKind.clear();
}

void MainWindow::rebuildPanels() {
  // The panels hold the services of one profile: a newly opened profile gets new ones.
  dropPanels();
  editor::ui::PanelServices services = panelServices();
  m_userPanel = new UserPanel(services, m_stack);
  addPanel(m_userPanel, "frameUserProperties");
  connect(m_userPanel, &UserPanel::sendReceiveRequested, m_cycle, &CycleDriver::mnuSendRecv_Click);
  connect(m_userPanel, &UserPanel::titleRenamed, this, &MainWindow::relockProfile);
  editor::ui::EditorPanels made = editor::ui::makeEditorPanels(services, m_stack);
  addPanel(made.system, "frameCampaignProperties");
  addPanel(made.outbound, "frameOutBoundProperties");
  addPanel(made.inbound, "frameInboundProperties");
  addPanel(made.newsletter, "frameNewsletterProperties");
  addPanel(made.filter, "frameRuleProperties");
}

editor::ui::PropertyPanel* MainWindow::currentPanel() const {
  return dynamic_cast<editor::ui::PropertyPanel*>(m_stack->currentWidget());
}

bool MainWindow::Form_Load() {
  m_cycle->detach();
  m_serverRunning->setChecked(false);
  setWindowTitle(QString::fromStdString(programCaption()));
  for (;;) {
    m_settings.Create_INI_File();
    std::optional<std::filesystem::path> profile = m_settings.currentProfilePath();
    m_columns = subscribers::f_load_grid_properties(m_settings);
    if (profile && lockProfile(*profile)) {
      openProfile(*profile);
      return true;
    }
    StartupWindow start(m_settings, m_cipher, m_startFolder, isVisible() ? this : nullptr);
    start.exec();
    if (start.quitChosen()) return false;
  }
}

bool MainWindow::lockProfile(const std::filesystem::path& path) {
  std::string refusal;
  bool locked = m_trap.run(store::windowProcedure("Form_Load"), true, [&] {
    // The profile open now stays locked until the next one is.
    if (m_profileLock.held() && m_profileLock.path() == store::ProfileLock::lockPathOf(path))
      return true;
    store::ProfileLock next;
    if (!next.acquire(path, "Tidewell", std::chrono::milliseconds(0), refusal)) return false;
    m_profileLock = std::move(next);
    return true;
  });
  // A profile that cannot even be read for its title opens as before and reports its fault.
  if (locked) return true;
  m_operator.showMessage(refusal +
                             ".\n\nTwo programs changing one profile would mail its "
                             "subscribers twice. Close it there, or open another profile.",
                         programCaption());
  return false;
}

void MainWindow::relockProfile() {
  if (!m_session) return;
  store::ProfileLock renamed;
  std::string refusal;
  bool locked = m_trap.run(store::windowProcedure("relockProfile"), false, [&] {
    return renamed.acquire(m_session->profile().path(), "Tidewell", std::chrono::milliseconds(0),
                           refusal);
  });
  if (locked) {
    m_profileLock = std::move(renamed);
  } else if (!refusal.empty()) {
    m_operator.showStatus(refusal);
  }
}

void MainWindow::openProfile(const std::filesystem::path& path) {
  dropPanels();  // they let go of the old profile before it goes
  m_session.reset();
  m_session = std::make_unique<ProfileSession>(path, m_settings, m_columns, m_cipher);
  m_session->subscriberFile().setWriteRunner(
      [this](const std::function<void()>& write) { writeSubscribersOffThread(write); });
  rebuildPanels();
  LoadTree();
  m_session->open();
  m_userPanel->setShowList(m_session->showList());
  m_userPanel->attach(&m_session->grid(), &m_session->subscriberFile(), &m_settings);
  m_userPanel->setWindowHooks(subscriberHooks());
  ShowFrame(store::kUserBlock);
  m_cycle->attach(m_session.get(), [this] {
    return m_userPanel ? m_userPanel->currentWidths() : std::vector<int>();
  });
  m_cycle->setAvailable(m_session->hasFilters());
  m_cycle->startRunning();
  attachStatistics();
}

subscribers::ui::SubscriberHooks MainWindow::subscriberHooks() {
  subscribers::ui::SubscriberHooks hooks;
  hooks.newsletters = [this] {
    return m_session ? subscribers::forcedSendEntries(m_session->profile().load())
                     : std::vector<subscribers::NewsletterEntry>();
  };
  hooks.forcedSend = [this](const std::vector<store::Position>& positions, int blockIndex) {
    m_cycle->forcedSend(positions, blockIndex);
  };
  hooks.preview = [this](store::Position p, int blockIndex) { showPreview(blockIndex, p); };
  hooks.fieldDelimiter = [this] {
    return m_session ? m_session->settings().fieldDelimiter : std::string("~");
  };
  hooks.dueAtSignUp = [this](const std::string& filterTitle) {
    if (!m_session) return std::vector<std::string>();
    return engine::newslettersDueAtSignUp(m_session->profile().load(), filterTitle,
                                          store::toDayNumber(m_clock.today()));
  };
  return hooks;
}

void MainWindow::leaveProfile() {
  if (!m_session) return;
  if (auto* panel = currentPanel()) panel->commitPendingEdit();
  m_cycle->detach();
  // The profile is being left: its last save writes in place, so no event reaches it meanwhile.
  m_session->subscriberFile().setWriteRunner({});
  m_session->saveSubscribersIfChanged();
  subscribers::s_update_col_widths(m_columns, m_userPanel->currentWidths(), m_settings);
}

void MainWindow::Form_Unload() {
  if (!m_session) return;
  if (auto* panel = currentPanel()) panel->commitPendingEdit();
  m_cycle->detach();
  m_session->subscriberFile().setWriteRunner({});
  m_session->close(m_userPanel->currentWidths());
  QDir::setCurrent(QString::fromStdString(m_startFolder.string()));
  dropPanels();
  m_tree->clearNodes();
  m_session.reset();
  m_profileLock.release();
  attachStatistics();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A cycle in progress holds the subscriber table; the window closes once it has ended.
  if (m_cycle->busy()) {
    m_operator.showStatus("Finishing the check cycle before closing...");
    m_cycle->closeWhenIdle(this);
    event->ignore();
    return;
  }
  if (m_saving) {
    // The save's caller still holds the table; try again once it has returned.
    QTimer::singleShot(50, this, &QWidget::close);
    event->ignore();
    return;
  }
  Form_Unload();
  event->accept();
}

void MainWindow::LoadTree() {
  static constexpr store::Procedure kLoadTree{"LoadTree"};
  m_tree->clearNodes();
  m_trap.run(kLoadTree, [&] {
    TreePlan plan = planTree(m_session->profile().load());
    m_tree->showPlan(plan);
    if (plan.error) m_trap.report(kLoadTree, *plan.error);
  });
}

void MainWindow::attachStatistics() {
  if (!m_session) {
    m_statistics->attach({}, {});
    return;
  }
  StatisticsView::Source source;
  source.profile = [this] { return m_session->profile().load(); };
  source.profilePath = m_session->profile().path();
  source.today = [this] { return m_clock.today(); };
  source.now = [this] { return m_clock.secondsNow(); };
  std::vector<std::string> titles;
  for (const auto& filter : m_session->filterList()) titles.push_back(filter.title);
  m_statistics->attach(source, titles);
  refreshStatisticsIfShown();
}

void MainWindow::LoadShow() {
  m_session->rebuildFilterList();
  attachStatistics();
  if (m_userPanel) m_userPanel->setShowList(m_session->showList());
  m_cycle->setAvailable(m_session->hasFilters());
}

void MainWindow::ShowFrame(int index) {
  if (!m_session) return;
  m_trap.run(store::Procedure{"ShowFrame"}, [&] {
    if (auto* panel = currentPanel()) panel->commitPendingEdit();
    m_currentIndex = index;
    std::string name = m_session->profile().GetFromFile_new(index, "name");
    std::optional<NodeKind> kind = kindOfBlockName(name);
    if (!kind) store::raise(store::kNoSuchBlock, "Block " + std::to_string(index) + " not found");
    editor::ui::PropertyPanel* panel = m_panels.at(QString::fromUtf8(kindWord(*kind)));
    m_currentKind = panel->kindWord();
    m_stack->setCurrentWidget(panel);
    panel->showBlock(index);
    m_tree->selectIndex(index);
  });
}

void MainWindow::nodeClicked(int index) {
  editor::ui::PropertyPanel* panel = currentPanel();
  if (panel && m_currentKind == QLatin1String("system")) {
    QStringList missing = panel->missingRequiredFields();
    if (!missing.isEmpty()) {
      std::vector<std::string> lines;
      for (const QString& line : missing) lines.push_back(line.toStdString());
      QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kRequiredFieldsCaption),
                      QString::fromStdString(requiredFieldsMessage(lines)), QMessageBox::Ok, this);
      box.setObjectName("msgRequiredFields");
      box.exec();
      return;
    }
  }
  if (m_tree->nodeAt(index)) ShowFrame(index);
}

std::unique_ptr<QMenu> MainWindow::treeMenu() {
  // Every entry changes the profile, which a running cycle is reading.
  if (m_cycle->busy() || m_saving) return nullptr;
  auto menu = std::make_unique<QMenu>(this);
  switch (treeMenuFor(m_currentIndex)) {
    case TreeMenu::kNone:
      return nullptr;
    case TreeMenu::kNewNewsletter:
      menu->setObjectName("tvNewsletter");
      connect(namedAction(menu.get(), tr("New Newsletter"), "tv_new_newsletter"),
              &QAction::triggered, this, &MainWindow::cmdNewNewsletter_Click);
      break;
    case TreeMenu::kNewFilter:
      menu->setObjectName("tvFilter");
      connect(namedAction(menu.get(), tr("New Filter"), "tv_new_filter"), &QAction::triggered, this,
              &MainWindow::cmdNewInbound_Click);
      break;
    case TreeMenu::kDelete:
      menu->setObjectName("tvMenu");
      connect(namedAction(menu.get(), tr("Delete"), "tvDelete"), &QAction::triggered, this,
              &MainWindow::tvDelete_Click);
      break;
  }
  return menu;
}

void MainWindow::showTreeMenu(const QPoint& globalPos) {
  if (std::unique_ptr<QMenu> menu = treeMenu()) menu->exec(globalPos);
}

void MainWindow::writeSubscribersOffThread(const std::function<void()>& write) {
  if (m_saving) {
    // A save started from an event handled while another one writes: it waits its turn there.
    m_saveRunner.run(write);
    return;
  }
  struct Lock {
    MainWindow* window;
    explicit Lock(MainWindow* w) : window(w) {
      window->m_saving = true;
      window->setCycleBusy(true);
    }
    ~Lock() {
      window->m_saving = false;
      window->setCycleBusy(window->m_cycle->busy());
    }
  } lock(this);
  m_saveRunner.run(write);
}

void MainWindow::setCycleBusy(bool busy) {
  // A save writing in the background holds the table as a cycle does. The tree and the
  // panels stay browsable; only what would change the profile or the subscribers is locked.
  busy = busy || m_saving;
  for (auto& [kind, panel] : m_panels) {
    if (panel != m_userPanel) lockForCycle(panel, busy);
  }
  if (m_userPanel) m_userPanel->setCycleBusy(busy);
  for (QAction* action : m_idleOnlyActions) {
    // Send/Receive keeps the enabled state of the profile (it needs a filter) after the cycle.
    if (action == m_sendRecv && !busy) continue;
    action->setEnabled(!busy);
  }
  if (!busy && m_session) m_cycle->setAvailable(m_session->hasFilters());
}

void MainWindow::tvDelete_Click() {
  if (!m_session || m_currentIndex <= store::kFiltersBlock) return;
  if (!m_operator.askYesNo("Are you sure?", "Delete Item")) return;
  int index = m_currentIndex;
  store::ProfileStore& profile = m_session->profile();
  if (profile.DeleteNode(index)) profile.UpdateIndex();
  LoadTree();
  LoadShow();
  ShowFrame(indexAfterDelete(index, m_tree->nodeCount()));
}

void MainWindow::cmdNewInbound_Click() {
  if (!m_session) return;
  store::ProfileModel model(m_session->profile());
  std::optional<store::NewNode> node = model.cmdNewInbound_Click(model.filtersTitle());
  if (!node) return;
  LoadTree();
  LoadShow();
  ShowFrame(node->index);
}

void MainWindow::cmdNewNewsletter_Click() {
  if (!m_session) return;
  store::ProfileModel model(m_session->profile());
  std::optional<store::NewNode> node = model.cmdNewNewsletter_Click(model.newslettersTitle());
  if (!node) return;
  LoadTree();
  LoadShow();
  ShowFrame(node->index);
}

void MainWindow::mnuNewProfile_Click() {
  if (m_cycle->busy()) return;
  leaveProfile();
  NewProfileWizard wizard(m_settings, m_cipher, this);
  wizard.exec();
  if (!Form_Load()) qApp->exit(0);
}

void MainWindow::mnuOpenProfile_Click() {
  if (m_cycle->busy()) return;
  leaveProfile();
  s_load_dat_file(this, m_settings, m_startFolder);
  if (!Form_Load()) qApp->exit(0);
}

void MainWindow::mnuUserManual_Click() {
  std::filesystem::path programDir = QCoreApplication::applicationDirPath().toStdString();
  for (const std::filesystem::path& manual : manualCandidates(programDir)) {
    QString page = QString::fromStdString(manual.string());
    if (!QFileInfo::exists(page)) continue;
    m_operator.showStatus("Opening the user manual in the web browser...");
    QPointer<MainWindow> self(this);
    m_openManual(page, [self, page](const QString& reason) {
      if (!self) return;
      self->m_operator.showStatus("The web browser could not be started");
      QMessageBox box(QMessageBox::Warning, tr("User Manual"),
                      tr("The web browser could not be started (%1).\n\nThe user manual is the "
                         "file:\n%2")
                          .arg(reason, page),
                      QMessageBox::Ok, self);
      box.setObjectName("msgNoBrowser");
      box.setTextInteractionFlags(Qt::TextSelectableByMouse);
      box.exec();
    });
    return;
  }
  QMessageBox::warning(this, tr("User Manual"),
                       tr("The user manual was not found beside the program."));
}

MainWindow::ManualOpener MainWindow::browserOpener() {
  // xdg-open starts whatever browser the desktop names and says by its exit status whether one
  // started; QDesktopServices would report success as soon as xdg-open itself ran.
  return [](const QString& page, std::function<void(const QString&)> failed) {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
      if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page))) failed(tr("no display"));
      return;
    }
    auto* process = new QProcess;
    QObject::connect(process, &QProcess::finished, process,
                     [process, failed](int code, QProcess::ExitStatus status) {
                       if (status != QProcess::NormalExit || code != 0) {
                         failed(tr("xdg-open ended with status %1").arg(code));
                       }
                       process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, failed](QProcess::ProcessError error) {
                       if (error != QProcess::FailedToStart) return;
                       failed(tr("xdg-open could not be run"));
                       process->deleteLater();
                     });
    process->start(QStringLiteral("xdg-open"), {QUrl::fromLocalFile(page).toString()});
  };
}

void MainWindow::showCertificate(const std::string& account, bool modal) {
  if (!m_session || m_certificateDialog) return;
  auto* dialog = new CertificateDialog(m_session->profile(), m_session->settings().campaign,
                                       account, m_certificateFetcher, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  m_certificateDialog = dialog;
  connect(dialog, &CertificateDialog::statusText, this,
          [this](const QString& text) { m_operator.showStatus(text.toStdString()); });
  dialog->fetch();
  // After a timed cycle nobody may be at the screen: the window shows it, the cycles go on.
  if (modal) {
    dialog->exec();
  } else {
    dialog->show();
  }
}

void MainWindow::mnuAbout_Click() {
  AboutWindow about(this);
  about.exec();
}

}  // namespace tidewell::app
