#include "editor/ui/whole_number_fields.h"

#include <QFormLayout>

#include "editor/ui/qt_text.h"

namespace tidewell::editor::ui {

WholeNumberFields::WholeNumberFields(const QString& title, const std::vector<Field>& fields,
                                     const PanelServices& services, QWidget* parent)
    : QGroupBox(title, parent), m_services(services) {
  auto* form = new QFormLayout(this);
  for (const Field& f : fields) {
    auto* edit = new QLineEdit;
    edit->setObjectName(f.objectName);
    edit->setPlaceholderText("none");
    form->addRow(f.label, edit);
    m_edits.emplace_back(edit, f.key);
    const WholeNumberKey key = f.key;
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, key] { write(edit, key); });
  }
}

void WholeNumberFields::refresh() {
  for (auto& [edit, key] : m_edits) edit->setText(toQt(shownWholeNumber(*m_services.profile, key)));
}

void WholeNumberFields::write(QLineEdit* edit, const WholeNumberKey& key) {
  const std::string text = toStd(edit->text());
  if (text == shownWholeNumber(*m_services.profile, key)) return;
  if (!writeWholeNumber(*m_services.profile, key, text)) {
    if (m_services.showStatus) {
      m_services.showStatus("Not a whole number from " + std::to_string(key.minimum) + " to " +
                            std::to_string(key.maximum) + ": " + text);
    }
    edit->setText(toQt(shownWholeNumber(*m_services.profile, key)));
  }
}

}  // namespace tidewell::editor::ui
