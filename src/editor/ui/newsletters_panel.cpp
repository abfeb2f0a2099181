#include "editor/ui/newsletters_panel.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "editor/ui/qt_text.h"

namespace tidewell::editor::ui {

NewslettersPanel::NewslettersPanel(const PanelServices& services, QWidget* parent)
    : PropertyPanel(services, parent), m_focus(new FocusEdits(this)) {
  m_frame = new QGroupBox(this);
  m_title = new QLineEdit;
  m_title->setObjectName("txtOutboundTitle");
  auto* form = new QFormLayout(m_frame);
  form->addRow("OutBound Title:", m_title);
  m_catchUp = new WholeNumberFields(
      "Follow-ups missed while Tidewell was not running",
      {{"Still send those due in the last (days):", kCatchUpDays, "txtCatchUp"}}, this->services());
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_frame);
  layout->addWidget(m_catchUp);
  layout->addStretch();

  watchPlainTitle(m_focus, m_frame, m_title, &m_index);
}

void NewslettersPanel::showBlock(int index) {
  m_index = index;
  QString title = toQt(services().profile->GetFromFile_new(index, "title"));
  showTitle(m_frame, title);
  m_title->setText(title);
  m_catchUp->refresh();
  m_focus->refreshOldText();
}

}  // namespace tidewell::editor::ui
