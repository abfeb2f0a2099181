#pragma once
// The main window (`frmMain`): menus, the profile tree on the left, the property panel of the
// current node on the right and the status bar. It runs start-up and shut-down of a profile and
// owns everything the open profile needs. UI thread only.

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "certificate_dialog.h"
#include "cipher/dated_password_cipher.h"
#include "cycle_driver.h"
#include "editor/ui/property_panel.h"
#include "profile_session.h"
#include "profile_tree.h"
#include "statistics_view.h"
#include "store/clock.h"
#include "store/error_trap.h"
#include "store/keyring_password_cipher.h"
#include "store/profile_lock.h"
#include "store/settings_file.h"
#include "subscribers/grid_column_table.h"
#include "subscribers/ui/suppression_dialog.h"
#include "user_panel.h"
#include "widget_operator.h"

namespace tidewell::app {

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // programFolder holds the settings file and the error log; it is also the start folder.
  explicit MainWindow(std::filesystem::path programFolder, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Start-up: opens the profile the settings file names, or shows the start window until one
  // is created or opened. False when the operator chose Quit there.
  bool Form_Load();
  // Shut-down of the open profile; nothing happens when none is open or it was done already.
  void Form_Unload();

  // Makes the block the current node and shows its panel.
  void ShowFrame(int index);
  // A node was pressed: the required-fields check, then the node's panel.
  void nodeClicked(int index);
  // The tree's context menu for the current node; nullptr where there is none.
  std::unique_ptr<QMenu> treeMenu();
  void tvDelete_Click();
  void cmdNewInbound_Click();
  void cmdNewNewsletter_Click();

  int currentIndex() const { return m_currentIndex; }
  QString currentKind() const { return m_currentKind; }
  ProfileTree* tree() const { return m_tree; }
  editor::ui::PropertyPanel* currentPanel() const;
  UserPanel* userPanel() const { return m_userPanel; }
  ProfileSession* session() const { return m_session.get(); }
  store::SettingsFile& settingsFile() { return m_settings; }
  store::ErrorTrap& trap() { return m_trap; }
  QLabel* statusText() const { return m_statusText; }
  QProgressBar* progressBar() const { return m_progress; }
  CycleDriver* cycleDriver() const { return m_cycle; }
  WidgetOperator& operatorInterface() { return m_operator; }
  // Shows the certificate the account's server ("pop3" or "smtp") presents, to be trusted; at
  // most one such window at a time. modal: wait until it closes.
  void showCertificate(const std::string& account, bool modal);
  // How certificates are fetched; the network unless a test gives another.
  void setCertificateFetcher(CertificateDialog::Fetcher fetch) {
    m_certificateFetcher = std::move(fetch);
  }
  CertificateDialog* certificateDialog() const { return m_certificateDialog; }
  // Opens the manual page in the web browser; failed runs, perhaps later, when none started.
  using ManualOpener =
      std::function<void(const QString& page, std::function<void(const QString& reason)> failed)>;
  void setManualOpener(ManualOpener open) { m_openManual = std::move(open); }
  static ManualOpener browserOpener();
  StatisticsView* statisticsView() const { return m_statistics; }
  QTabWidget* tabs() const { return m_tabs; }
  // The newsletter of this block index as a subscriber will get it (the selected one, or the
  // first active subscriber of its list), with "Send a Test".
  void showPreview(int blockIndex, std::optional<store::Position> subscriber);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void buildStatusBar();
  void rebuildPanels();
  void dropPanels();
  editor::ui::PanelServices panelServices();
  void addPanel(editor::ui::PropertyPanel* panel, const char* frameName);
  void openProfile(const std::filesystem::path& path);
  // Takes the profile's lock for this window; false (with the holder named to the operator)
  // when another process writes the profile.
  bool lockProfile(const std::filesystem::path& path);
  // The title names the lock file: a renamed profile is locked under its new name.
  void relockProfile();
  // Keeps what the running profile has not written yet before another one is opened.
  void leaveProfile();
  void LoadTree();
  void LoadShow();
  // What the grid's actions need from the window: newsletters, forced send, delimiter.
  subscribers::ui::SubscriberHooks subscriberHooks();
  void showTreeMenu(const QPoint& globalPos);
  // While a cycle runs, nothing that changes subscribers or the profile can start.
  void setCycleBusy(bool busy);
  // How the open profile's subscriber saves write: on a worker thread while the window keeps
  // turning, locked as during a cycle.
  void writeSubscribersOffThread(const std::function<void()>& write);
  // Refresh tokens the provider replaced go into the open profile.
  void saveRotatedSignIns();

  void mnuNewProfile_Click();
  void mnuOpenProfile_Click();
  void mnuUserManual_Click();
  void mnuAbout_Click();
  void mnuWebKit_Click();
  void mnuPendingSignUps_Click();
  // The suppression list and bounce strikes of the open profile.
  void showHygiene(subscribers::ui::SuppressionDialog::Page page);
  void mnuStatistics_Click();
  // The statistics follow the profile's files when they are on screen.
  void refreshStatisticsIfShown();
  void attachStatistics();

  std::filesystem::path m_programFolder;
  std::filesystem::path m_startFolder;
  QLabel* m_statusCaption;
  QLabel* m_statusText;
  QProgressBar* m_progress;
  WidgetOperator m_operator;
  store::SystemClock m_clock;
  store::ErrorTrap m_trap;
  cipher::DatedPasswordCipher m_enciphering;
  std::unique_ptr<store::SecretStore> m_keyring;
  store::KeyringPasswordCipher m_cipher;  // the keyring when one runs, else m_enciphering
  store::SettingsFile m_settings;
  subscribers::GridColumnTable m_columns;

  ProfileTree* m_tree;
  QStackedWidget* m_stack;
  QTabWidget* m_tabs;
  StatisticsView* m_statistics;
  std::map<QString, editor::ui::PropertyPanel*> m_panels;  // by kind word
  UserPanel* m_userPanel = nullptr;
  CycleDriver* m_cycle;
  std::unique_ptr<ProfileSession> m_session;
  store::ProfileLock m_profileLock;  // held while m_session is open
  ThreadTransferRunner m_saveRunner;
  bool m_saving = false;  // a subscriber save is writing on the worker

  QAction* m_serverRunning = nullptr;
  QAction* m_sendRecv = nullptr;
  QAction* m_newNewsletter = nullptr;
  QAction* m_newFilter = nullptr;
  QList<QAction*> m_idleOnlyActions;

  int m_currentIndex = 0;
  QString m_currentKind;
  CertificateDialog::Fetcher m_certificateFetcher = networkCertificateFetcher();
  QPointer<CertificateDialog> m_certificateDialog;
  ManualOpener m_openManual = browserOpener();
};

}  // namespace tidewell::app
