#pragma once
// The rules of the filter panel's extract-key editor: the "Extract Until" and "Apply to PMF"
// choices, when a key may become active, and the "extractkeys" value the edited table writes.
// Works on a copy of one filter's tables; user-interface thread.
#include <string>
#include <vector>

#include "store/filter_record.h"

namespace tidewell::editor {

struct PmfChoice {
  std::string text;  // caption + " (" + name + ")", empty for the first choice
  std::string name;
};

class ExtractKeyEditor {
 public:
  ExtractKeyEditor(store::ExtractKeyTable keys = {}, store::FieldTable fields = {})
      : m_keys(std::move(keys)), m_fields(std::move(fields)) {}

  static const std::vector<std::string>& untilChoices();
  // What a picked "Extract Until" choice stores; typed text is stored as it stands.
  static std::string untilValue(const std::string& choiceOrText);

  // An empty choice, then one per active field of the field table.
  std::vector<PmfChoice> pmfChoices() const;
  void setFieldTable(store::FieldTable fields) { m_fields = std::move(fields); }

  const store::ExtractKeyTable& table() const { return m_keys; }
  const store::ExtractKey& key(int row) const { return m_keys.at(static_cast<std::size_t>(row)); }

  bool setFind(int row, const std::string& find);
  bool setUntil(int row, const std::string& until);
  // Stores the choice's text as target caption and its field name as target name.
  bool setTarget(int row, const PmfChoice& choice);
  // Activating needs find and until texts and a non-blank target; deactivating always works.
  bool toggleActive(int row);

  // The "extractkeys" value: 41 entries of five sub-fields.
  std::string value() const;

 private:
  bool validRow(int row) const { return row >= 0 && row < static_cast<int>(m_keys.size()); }
  store::ExtractKeyTable m_keys;
  store::FieldTable m_fields;
};

}  // namespace tidewell::editor
