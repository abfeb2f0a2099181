#pragma once
// The start window (`frmStartup`), shown while no profile can be opened: New runs the wizard,
// Open the profile-open dialog, Quit ends the program. Modal, made by the start-up loop; UI
// thread only.

#include <QDialog>
#include <filesystem>

#include "store/password_cipher.h"
#include "store/settings_file.h"

namespace tidewell::app {

class StartupWindow : public QDialog {
  Q_OBJECT

 public:
  StartupWindow(store::SettingsFile& settings, store::PasswordCipher& cipher,
                std::filesystem::path startFolder, QWidget* parent = nullptr);

  // Set by Quit (and by closing the window): the program ends without writing anything.
  bool quitChosen() const { return m_quit; }

 private:
  void cmdNew_Click();
  void cmdOpen_Click();
  void cmdQuit_Click();
  void reject() override;

  store::SettingsFile& m_settings;
  store::PasswordCipher& m_cipher;
  std::filesystem::path m_startFolder;
  bool m_quit = false;
};

}  // namespace tidewell::app
