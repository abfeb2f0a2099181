#pragma once
// The Filters node's panel: its title, the placeholder delimiter, the bounce switch, the web
// kit's address and the new-filter button. One per main window; user-interface thread.
#include <QCheckBox>
#include <QLineEdit>

#include "editor/ui/focus_edits.h"
#include "editor/ui/property_panel.h"

class QGroupBox;

namespace tidewell::editor::ui {

class FiltersPanel : public PropertyPanel {
 public:
  FiltersPanel(const PanelServices& services, QWidget* parent);
  ~FiltersPanel() override { m_focus->stop(); }

  void showBlock(int index) override;
  QString kindWord() const override { return "inbound"; }
  void commitPendingEdit() override { m_focus->commitFocused(); }

 private:
  void newFilter();
  void writeWebKitAddress(const QString& text);

  FocusEdits* m_focus;
  QGroupBox* m_frame;
  QLineEdit* m_title;
  QLineEdit* m_delimiter;
  QCheckBox* m_bounce;
  QLineEdit* m_webKit;
  int m_index = 0;
};

}  // namespace tidewell::editor::ui
