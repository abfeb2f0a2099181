#pragma once
// Everything one run of tidewell-cli works with: the program folder and its settings file,
// the clock (with --today), the terminal as operator, the error trap and the secrets (the
// keyring, or the password cipher).

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cipher/dated_password_cipher.h"
#include "cli/arguments.h"
#include "cli/terminal_operator.h"
#include "store/clock.h"
#include "store/error_trap.h"
#include "store/keyring_password_cipher.h"
#include "store/profile_lock.h"
#include "store/profile_store.h"
#include "store/settings_file.h"

namespace tidewell::cli {

struct GlobalOptions {
  std::filesystem::path folder;
  std::optional<std::filesystem::path> profile;
  std::optional<store::Date> today;
  bool answerYes = false;
  // Certificates to trust for the mail servers instead of the system's store.
  std::string caFile;
  // How long a writing command waits for the profile's lock before it gives up.
  std::chrono::seconds wait{0};
};

// Set once the process is asked to end (SIGTERM from a cron time-out or a shutdown, SIGINT):
// a running command stops before its next message, saves what it did and exits. A second
// signal ends the process at once.
std::atomic<bool>& stopRequested();
void stopOnTermination();

// The program folder of a user who gave no --folder: the per-user application data folder.
std::filesystem::path defaultProgramFolder();

class CliContext {
 public:
  explicit CliContext(const GlobalOptions& options);

  store::ErrorTrap& trap() { return m_trap; }
  store::SettingsFile& settings() { return m_settings; }
  store::PasswordCipher& cipher() { return m_secrets; }
  TerminalOperator& ui() { return m_ui; }
  const std::filesystem::path& programFolder() const { return m_options.folder; }
  const GlobalOptions& options() const { return m_options; }

  // The profile named by --profile or by the settings file; raises CommandFailed when none.
  std::filesystem::path profilePath();
  store::ProfileStore profileStore() { return store::ProfileStore(profilePath(), m_trap); }
  // Takes the profile's lock for this command (named in the holder's line), waiting up to
  // --wait; raises ProfileBusy naming the holder when another process keeps it.
  void lockProfile(const std::string& commandName);
  // Errors the trap has reported so far: a command whose operation reported one exits with 1.
  int errorCount() const { return m_trap.reportCount(); }

 private:
  GlobalOptions m_options;
  TerminalOperator m_ui;
  store::SystemClock m_clock;
  store::ErrorTrap m_trap;
  cipher::DatedPasswordCipher m_cipher;
  std::unique_ptr<store::SecretStore> m_keyring;
  store::KeyringPasswordCipher m_secrets;  // the keyring when one runs, else m_cipher
  store::SettingsFile m_settings;
  store::ProfileLock m_lock;
};

// A command that could not do its work; its message goes to standard error, exit status 1.
class CommandFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Another process writes the profile; exit status kProfileBusy.
class ProfileBusy : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tidewell::cli
