#pragma once
// A filter node's panel: its title under the title rules, name template, redirect, display
// name, rule list with the rule editor, the field and extract-key grids, the auto-unsubscribe
// choice and the two HTML generators. One per main window; user-interface thread.
#include <QLineEdit>
#include <QListWidget>
#include <memory>

#include "editor/filter_editor.h"
#include "editor/title_typing_guard.h"
#include "editor/ui/focus_edits.h"
#include "editor/ui/property_panel.h"

class QGroupBox;

namespace tidewell::editor::ui {

class ConfirmationBox;
class ExtractKeyGrid;
class FieldEditorGrid;

class FilterPanel : public PropertyPanel {
 public:
  FilterPanel(const PanelServices& services, QWidget* parent);
  ~FilterPanel() override { m_focus->stop(); }

  void showBlock(int index) override;
  QString kindWord() const override { return "filter"; }
  void commitPendingEdit() override { m_focus->commitFocused(); }

 private:
  QWidget* buildEditors();
  void watchTextKey(QLineEdit* box, const char* key);
  void titleTyped();
  void leaveTitle(const QString& text);
  void loadRules();
  void editRules();
  void openAdvanced();
  void showOptInHtml();
  void showOptOutHtml();
  void rebuildFilterList();
  const store::FilterRecord* shownFilter() const;

  std::unique_ptr<FilterEditor> m_editor;
  FocusEdits* m_focus;
  TitleTypingGuard m_guard;
  QGroupBox* m_frame;
  QLineEdit* m_title;
  QLineEdit* m_optInCode;  // the filter's "subject"
  QLineEdit* m_toName;
  QLineEdit* m_redirect;
  QLineEdit* m_display;
  QListWidget* m_rules;
  FieldEditorGrid* m_fields;
  ExtractKeyGrid* m_keys;
  ConfirmationBox* m_confirmation;
  QString m_storedTitle;  // the title as the file holds it
  int m_index = 0;
};

}  // namespace tidewell::editor::ui
