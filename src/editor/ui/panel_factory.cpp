#include "editor/ui/panel_factory.h"

#include "editor/ui/filter_panel.h"
#include "editor/ui/filters_panel.h"
#include "editor/ui/newsletter_panel.h"
#include "editor/ui/newsletters_panel.h"
#include "editor/ui/server_settings_panel.h"

namespace tidewell::editor::ui {

EditorPanels makeEditorPanels(const PanelServices& services, QWidget* parent) {
  EditorPanels panels;
  panels.system = new ServerSettingsPanel(services, parent);
  panels.outbound = new NewslettersPanel(services, parent);
  panels.inbound = new FiltersPanel(services, parent);
  panels.newsletter = new NewsletterPanel(services, parent);
  panels.filter = new FilterPanel(services, parent);
  return panels;
}

}  // namespace tidewell::editor::ui
