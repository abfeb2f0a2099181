#include "editor/rule_editor.h"

#include "editor/rule_list.h"
#include "engine/rule_line.h"
#include "store/text.h"

namespace tidewell::editor {

namespace {

bool hasConnector(const std::string& line) {
  return engine::ff_get_field_editor(line, 4) != store::kAbsent;
}

ConfirmOutcome refuse(std::string text, std::string caption, RuleInput focus, int row = -1) {
  ConfirmOutcome outcome;
  outcome.message = RuleEditorMessage{std::move(text), std::move(caption)};
  outcome.focus = focus;
  outcome.selectRow = row;
  return outcome;
}

}  // namespace

RuleEditor::RuleEditor(store::ProfileStore& profile, int blockIndex)
    : m_profile(profile), m_blockIndex(blockIndex) {}

void RuleEditor::activate() {
  clearInputs();
  loadFromFile();
  m_deleteEnabled = false;
}

void RuleEditor::loadFromFile() {
  m_rules = readRuleLines(m_profile, m_blockIndex);
  rebuildList();
}

void RuleEditor::rebuildList() {
  m_listTexts.clear();
  for (const std::string& line : m_rules) m_listTexts.push_back(engine::ruleDisplayText(line));
}

void RuleEditor::clearInputs() {
  m_inputs = {};
  m_editPosition = 0;
  m_logicEnabled = true;
}

void RuleEditor::selectRow(int row) {
  if (row < 0 || row >= static_cast<int>(m_rules.size())) return;
  const std::string& line = m_rules[static_cast<std::size_t>(row)];
  m_editPosition = row + 1;
  std::string connector = engine::ff_get_field_editor(line, 4);
  m_inputs = {engine::ff_get_field_editor(line, 1), engine::ff_get_field_editor(line, 2),
              engine::ff_get_field_editor(line, 3),
              connector == store::kAbsent ? std::string() : connector};
  m_logicEnabled = m_inputs.spec != "Body" && m_inputs.spec != "From";
  m_deleteEnabled = true;
  // Filling the inputs from a rule counts as changing them: confirming now updates that rule.
  m_caption = kCaptionUpdate;
}

void RuleEditor::chooseSpec(const std::string& spec) {
  m_inputs.spec = spec;
  // Body and From rules only test for containment; their logic is fixed.
  if (spec == "Body" || spec == "From") {
    m_inputs.logic = "Has";
    m_logicEnabled = false;
  } else if (spec == "Subject") {
    m_logicEnabled = true;
  }
  m_caption = kCaptionUpdate;
}

void RuleEditor::chooseLogic(const std::string& logic) {
  m_inputs.logic = logic;
  m_caption = kCaptionUpdate;
}

void RuleEditor::typeKeyword(const std::string& keyword) {
  m_inputs.keyword = keyword;
  m_caption = kCaptionUpdate;
}

void RuleEditor::chooseConnector(const std::string& connector) {
  m_inputs.connector = connector;
  m_caption = kCaptionUpdate;
}

ConfirmOutcome RuleEditor::checkFields() {
  const RuleInputs& in = m_inputs;
  if (in.spec.empty() && in.logic.empty() && in.keyword.empty() &&
      store::trim(in.connector).empty()) {
    return {};
  }
  if (in.spec.empty()) return refuse("Spec is required!", "Error!", RuleInput::Spec);
  if (in.logic.empty()) return refuse("Logic is required!", "Error!", RuleInput::Logic);
  if (store::trim(in.keyword).empty()) {
    return refuse("Keyword is required!", "Error!", RuleInput::Keyword);
  }
  std::string line = engine::makeRuleLine(in.spec, in.logic, in.keyword, in.connector);
  if (m_editPosition > 0 && m_editPosition <= static_cast<int>(m_rules.size())) {
    m_rules[static_cast<std::size_t>(m_editPosition - 1)] = line;
    rebuildList();
  } else {
    m_rules.push_back(line);
    std::string shown = in.spec + " " + in.logic + " " + in.keyword;
    if (!store::trim(in.connector).empty()) shown += " " + in.connector;
    m_listTexts.push_back(shown);
  }
  clearInputs();
  return {};
}

ConfirmOutcome RuleEditor::confirm() {
  bool closing = m_caption == kCaptionOk;
  ConfirmOutcome checked = checkFields();
  if (checked.message) return checked;
  if (m_rules.empty())
    return refuse("Rule required for this rule!", std::string(kProgramCaption), RuleInput::None);
  int last = static_cast<int>(m_rules.size()) - 1;
  for (int i = 0; i < last; ++i) {
    if (!hasConnector(m_rules[static_cast<std::size_t>(i)])) {
      return refuse("And/Or must be set!", std::string(kProgramCaption), RuleInput::None, i);
    }
  }
  // Under "&Update" the operator is about to add the next rule, so a trailing connector stays.
  if (closing && hasConnector(m_rules.back())) {
    return refuse("And/Or Not Allowed without NEXT rule!", std::string(kProgramCaption),
                  RuleInput::Connector, last);
  }
  ConfirmOutcome outcome;
  outcome.written = writeRules();
  outcome.close = closing;
  m_deleteEnabled = false;
  m_caption = kCaptionOk;
  return outcome;
}

bool RuleEditor::writeRules() {
  bool ok = true;
  for (std::size_t i = 0; i < m_rules.size(); ++i) {
    ok = m_profile.UpdateFile_new(m_blockIndex, "rule" + std::to_string(i + 1), m_rules[i]) && ok;
  }
  return m_profile.RegenProperty(m_blockIndex, "rule") && ok;
}

bool RuleEditor::deleteSelected() {
  if (m_editPosition <= 0) return false;
  bool ok = m_profile.DeleteFromFile_new(m_blockIndex, "rule" + std::to_string(m_editPosition));
  ok = m_profile.RegenProperty(m_blockIndex, "rule") && ok;
  clearInputs();
  loadFromFile();
  m_deleteEnabled = false;
  return ok;
}

}  // namespace tidewell::editor
