#pragma once
// The character rule of a filter title while it is typed: a refused character puts back the
// last accepted text with its caret and selection, and the status bar names the character.
// One per title box; user-interface thread.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tidewell::editor {

// The first character a title may not hold, or nullopt when every character is allowed.
std::optional<char> firstRefusedTitleCharacter(std::string_view text);
// "Space is not allowed!" for a blank, "Tab is not allowed!" for a TAB, else the character and " is
// not allowed!".
std::string titleRefusalStatus(char refused);

struct TitleBoxState {
  std::string text;
  int caret = 0;
  int selectionLength = 0;
};

struct TitleTypingResult {
  bool accepted = false;
  std::string status;     // "Ready" or the refusal text
  TitleBoxState restore;  // what the box shows again when refused
};

class TitleTypingGuard {
 public:
  // Takes the state of a freshly shown title as the last accepted one.
  void reset(TitleBoxState shown) { m_lastAccepted = std::move(shown); }
  TitleTypingResult onChange(const TitleBoxState& typed);
  const TitleBoxState& lastAccepted() const { return m_lastAccepted; }

 private:
  TitleBoxState m_lastAccepted;
};

}  // namespace tidewell::editor
