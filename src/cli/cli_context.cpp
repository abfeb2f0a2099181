#include "cli/cli_context.h"

#include <csignal>
#include <cstdlib>

#include "cipher/system_keyring.h"

namespace tidewell::cli {

std::filesystem::path defaultProgramFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && *dataHome) return std::filesystem::path(dataHome) / "Tidewell";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : ".") / ".local/share/Tidewell";
}

namespace {

// Set from the signal handler: constant-initialised, lock-free.
std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onTermination(int) {
  g_stopRequested.store(true);
}

}  // namespace

std::atomic<bool>& stopRequested() {
  return g_stopRequested;
}

void stopOnTermination() {
  struct sigaction action {};
  action.sa_handler = &onTermination;
  sigemptyset(&action.sa_mask);
  // A second signal finds the default action back and ends the process.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

CliContext::CliContext(const GlobalOptions& options)
    : m_options(options),
      m_ui(options.answerYes),
      m_clock(options.today),
      m_trap(options.folder, m_ui, m_clock),
      m_cipher(m_trap),
      m_keyring(cipher::systemKeyring()),
      m_secrets(m_cipher, m_keyring.get(), m_trap),
      m_settings(options.folder, m_trap) {}

std::filesystem::path CliContext::profilePath() {
  if (m_options.profile) return std::filesystem::absolute(*m_options.profile);
  auto current = m_settings.currentProfilePath();
  if (!current) {
    throw CommandFailed(
        "No profile is open: create one with new-profile or name one with "
        "--profile");
  }
  return *current;
}

void CliContext::lockProfile(const std::string& commandName) {
  std::string refusal;
  if (m_lock.acquire(profilePath(), "tidewell-cli " + commandName, m_options.wait, refusal,
                     &stopRequested())) {
    return;
  }
  throw ProfileBusy(
      refusal + (m_options.wait.count() > 0
                     ? "; gave up after waiting " + std::to_string(m_options.wait.count()) + " s"
                     : "; --wait SECONDS waits for it"));
}

}  // namespace tidewell::cli
