#include "editor/extract_key_editor.h"

#include "store/text.h"

namespace tidewell::editor {

namespace {
constexpr std::string_view kSpaceChoice = "' ' (Space)";
}

const std::vector<std::string>& ExtractKeyEditor::untilChoices() {
  static const std::vector<std::string> choices{std::string(kSpaceChoice), "New Line", "Tab", ",",
                                                ")"};
  return choices;
}

std::string ExtractKeyEditor::untilValue(const std::string& choiceOrText) {
  // "New Line" and "Tab" are read by the extraction in any letter case, so they stay words.
  return choiceOrText == kSpaceChoice ? std::string(" ") : choiceOrText;
}

std::vector<PmfChoice> ExtractKeyEditor::pmfChoices() const {
  std::vector<PmfChoice> choices{PmfChoice{}};
  for (const store::PersonalField& f : m_fields) {
    if (f.active) choices.push_back({f.caption + " (" + f.name + ")", f.name});
  }
  return choices;
}

bool ExtractKeyEditor::setFind(int row, const std::string& find) {
  if (!validRow(row) || key(row).find == find) return false;
  m_keys[static_cast<std::size_t>(row)].find = find;
  return true;
}

bool ExtractKeyEditor::setUntil(int row, const std::string& until) {
  if (!validRow(row) || key(row).until == until) return false;
  m_keys[static_cast<std::size_t>(row)].until = until;
  return true;
}

bool ExtractKeyEditor::setTarget(int row, const PmfChoice& choice) {
  if (!validRow(row)) return false;
  auto& k = m_keys[static_cast<std::size_t>(row)];
  if (k.targetCaption == choice.text && k.targetName == choice.name) return false;
  k.targetCaption = choice.text;
  k.targetName = choice.name;
  return true;
}

bool ExtractKeyEditor::toggleActive(int row) {
  if (!validRow(row)) return false;
  auto& k = m_keys[static_cast<std::size_t>(row)];
  if (!k.active && (k.find.empty() || k.until.empty() || store::trim(k.targetCaption).empty())) {
    return false;
  }
  k.active = !k.active;
  return true;
}

std::string ExtractKeyEditor::value() const {
  std::string text;
  for (const store::ExtractKey& k : m_keys) {
    text += k.find + "[\\/]" + k.until + "[\\/]" + k.targetCaption + "[\\/]" +
            (k.active ? "on" : "off") + "[\\/]" + k.targetName + "[/\\]";
  }
  return text;
}

}  // namespace tidewell::editor
