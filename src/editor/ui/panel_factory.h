#pragma once
// Builds the editor's property panels for the main window: one of each kind, all sharing the
// services of the open profile. The main window owns them (through parent) and shows one at a time.
#include <QWidget>

#include "editor/ui/panel_services.h"
#include "editor/ui/property_panel.h"

namespace tidewell::editor::ui {

struct EditorPanels {
  PropertyPanel* system = nullptr;      // server settings, kind "system"
  PropertyPanel* outbound = nullptr;    // the Newsletters node
  PropertyPanel* inbound = nullptr;     // the Filters node
  PropertyPanel* newsletter = nullptr;  // one newsletter
  PropertyPanel* filter = nullptr;      // one filter
};

EditorPanels makeEditorPanels(const PanelServices& services, QWidget* parent);

}  // namespace tidewell::editor::ui
