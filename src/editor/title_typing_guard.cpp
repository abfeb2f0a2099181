#include "editor/title_typing_guard.h"

namespace tidewell::editor {

namespace {

// Characters that break the profile's title references, the placeholder syntax or the TAB
// separated logs and journal.
constexpr std::string_view kRefused = " \t\"#'<>[\\]^{|}~";

}  // namespace

std::optional<char> firstRefusedTitleCharacter(std::string_view text) {
  for (char c : text) {
    if (kRefused.find(c) != std::string_view::npos) return c;
  }
  return std::nullopt;
}

std::string titleRefusalStatus(char refused) {
  if (refused == ' ') return "Space is not allowed!";
  if (refused == '\t') return "Tab is not allowed!";
  return std::string(1, refused) + " is not allowed!";
}

TitleTypingResult TitleTypingGuard::onChange(const TitleBoxState& typed) {
  if (auto refused = firstRefusedTitleCharacter(typed.text)) {
    return {false, titleRefusalStatus(*refused), m_lastAccepted};
  }
  m_lastAccepted = typed;
  return {true, "Ready", typed};
}

}  // namespace tidewell::editor
