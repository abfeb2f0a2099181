#pragma once
// The rule editor dialog's state and checks (frmEditRule): the rule array of one filter, the
// four inputs, the confirm caption, and what confirming or deleting writes to the profile.
// Lives while the dialog is open; user-interface thread.
#include <optional>
#include <string>
#include <vector>

#include "store/profile_store.h"

namespace tidewell::editor {

inline constexpr std::string_view kCaptionOk = "&OK";
inline constexpr std::string_view kCaptionUpdate = "&Update";
// The caption of the program's own message boxes.
inline constexpr std::string_view kProgramCaption = "Tidewell";

struct RuleInputs {
  std::string spec;       // "Subject", "Body", "From" or empty
  std::string logic;      // "=", "Has" or empty
  std::string keyword;    // as typed
  std::string connector;  // "And", "Or", " " or empty
};

enum class RuleInput { None, Spec, Logic, Keyword, Connector };

struct RuleEditorMessage {
  std::string text;
  std::string caption;
};

struct ConfirmOutcome {
  std::optional<RuleEditorMessage> message;
  RuleInput focus = RuleInput::None;
  int selectRow = -1;  // list row to select (0-based), -1 for none
  bool written = false;
  bool close = false;
};

class RuleEditor {
 public:
  RuleEditor(store::ProfileStore& profile, int blockIndex);

  // Activation: inputs cleared, rules read from the block, "&Delete" off.
  void activate();

  const std::vector<std::string>& rules() const { return m_rules; }
  const std::vector<std::string>& listTexts() const { return m_listTexts; }
  const RuleInputs& inputs() const { return m_inputs; }
  const std::string& caption() const { return m_caption; }
  bool logicEnabled() const { return m_logicEnabled; }
  bool deleteEnabled() const { return m_deleteEnabled; }
  int editPosition() const { return m_editPosition; }

  // The operator picked a rule of the list (0-based row).
  void selectRow(int row);
  // The operator changed an input.
  void chooseSpec(const std::string& spec);
  void chooseLogic(const std::string& logic);
  void typeKeyword(const std::string& keyword);
  void chooseConnector(const std::string& connector);

  // lf_check_fields: validates the inputs and applies them to the rule array.
  ConfirmOutcome checkFields();
  // The confirm button (caption "&OK" or "&Update").
  ConfirmOutcome confirm();
  // "&Delete": removes the selected rule from the block at once.
  bool deleteSelected();

 private:
  void loadFromFile();
  void clearInputs();
  void rebuildList();
  bool writeRules();

  store::ProfileStore& m_profile;
  int m_blockIndex;
  std::vector<std::string> m_rules;
  std::vector<std::string> m_listTexts;
  RuleInputs m_inputs;
  std::string m_caption{kCaptionOk};
  int m_editPosition = 0;  // 1-based; 0 when the inputs describe a new rule
  bool m_logicEnabled = true;
  bool m_deleteEnabled = false;
};

}  // namespace tidewell::editor
