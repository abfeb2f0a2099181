#pragma once
// The Newsletters node's panel: its title, renaming the tree node while typed and written when
// left, and the days of missed follow-ups still sent (catch-up). One per main window;
// user-interface thread.
#include <QLineEdit>

#include "editor/ui/focus_edits.h"
#include "editor/ui/property_panel.h"
#include "editor/ui/whole_number_fields.h"

class QGroupBox;

namespace tidewell::editor::ui {

class NewslettersPanel : public PropertyPanel {
 public:
  NewslettersPanel(const PanelServices& services, QWidget* parent);
  ~NewslettersPanel() override { m_focus->stop(); }

  void showBlock(int index) override;
  QString kindWord() const override { return "outbound"; }
  void commitPendingEdit() override { m_focus->commitFocused(); }

 private:
  FocusEdits* m_focus;
  QGroupBox* m_frame;
  QLineEdit* m_title;
  WholeNumberFields* m_catchUp;
  int m_index = 0;
};

}  // namespace tidewell::editor::ui
