#include "editor/field_editor.h"

#include "store/text.h"

namespace tidewell::editor {

namespace {

bool asciiLetter(char32_t c) {
  return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}
bool digit(char32_t c) {
  return c >= U'0' && c <= U'9';
}
// Letters beyond ASCII: the Latin-1 letters and everything above them, so that captions in the
// operator's own language are not refused.
bool otherLetter(char32_t c) {
  return c >= 0xC0 && c != 0xD7 && c != 0xF7;
}

}  // namespace

bool FieldEditor::acceptsNameCharacter(char32_t c) {
  return (c >= U'a' && c <= U'z') || digit(c) || c == U'.';
}

bool FieldEditor::acceptsCaptionCharacter(char32_t c) {
  return asciiLetter(c) || otherLetter(c) || digit(c) || c == U' ' || c == U'.';
}

std::string FieldEditor::shownName(int row) const {
  if (!validRow(row)) return {};
  const auto& f = m_table[static_cast<std::size_t>(row)];
  return f.name == store::kFreeFieldName ? std::string() : f.name;
}

std::string FieldEditor::shownCaption(int row) const {
  if (!validRow(row)) return {};
  const auto& f = m_table[static_cast<std::size_t>(row)];
  return f.name == store::kFreeFieldName ? std::string() : f.caption;
}

bool FieldEditor::active(int row) const {
  return validRow(row) && m_table[static_cast<std::size_t>(row)].active;
}

bool FieldEditor::setName(int row, const std::string& name) {
  if (!validRow(row) || !nameEditable(row)) return false;
  auto& f = m_table[static_cast<std::size_t>(row)];
  if (f.name == name) return false;
  f.name = name;
  return true;
}

bool FieldEditor::setCaption(int row, const std::string& caption) {
  if (!validRow(row)) return false;
  auto& f = m_table[static_cast<std::size_t>(row)];
  if (f.caption == caption) return false;
  f.caption = caption;
  return true;
}

bool FieldEditor::toggleActive(int row) {
  if (!validRow(row)) return false;
  auto& f = m_table[static_cast<std::size_t>(row)];
  if (!f.active) {
    bool named = !f.name.empty() && f.name != store::kFreeFieldName;
    if (!named || store::trim(f.caption).empty()) return false;
  }
  f.active = !f.active;
  // The opt-in form and the extraction must agree on the input names.
  store::assignInputNames(m_table);
  return true;
}

}  // namespace tidewell::editor
