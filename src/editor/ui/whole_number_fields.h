#pragma once
// A group of edit boxes for whole-number profile settings (sending caps, catch-up days), each
// written when it is left; an unacceptable number is refused in the status bar and the stored
// value shown again. Owned by its panel; user-interface thread.
#include <QGroupBox>
#include <QLineEdit>
#include <utility>
#include <vector>

#include "editor/ui/panel_services.h"
#include "editor/whole_number_setting.h"

namespace tidewell::editor::ui {

class WholeNumberFields : public QGroupBox {
 public:
  struct Field {
    QString label;
    WholeNumberKey key;
    QString objectName;
  };
  WholeNumberFields(const QString& title, const std::vector<Field>& fields,
                    const PanelServices& services, QWidget* parent = nullptr);

  // Shows the stored values (when the panel shows its node).
  void refresh();

 private:
  void write(QLineEdit* edit, const WholeNumberKey& key);

  const PanelServices& m_services;
  std::vector<std::pair<QLineEdit*, WholeNumberKey>> m_edits;
};

}  // namespace tidewell::editor::ui
