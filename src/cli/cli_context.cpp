#include "cli/cli_context.h"

#include <cstdlib>

#include "cipher/system_keyring.h"

namespace tidewell::cli {

std::filesystem::path defaultProgramFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && *dataHome) return std::filesystem::path(dataHome) / "Tidewell";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : ".") / ".local/share/Tidewell";
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

}  // namespace tidewell::cli
