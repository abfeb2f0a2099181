#include "editor/ui/filters_panel.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/ui/qt_text.h"
#include "store/profile_model.h"

namespace tidewell::editor::ui {

FiltersPanel::FiltersPanel(const PanelServices& services, QWidget* parent)
    : PropertyPanel(services, parent), m_focus(new FocusEdits(this)) {
  m_frame = new QGroupBox(this);
  m_title = new QLineEdit;
  m_title->setObjectName("txtInboundTitle");
  m_delimiter = new QLineEdit;
  m_delimiter->setObjectName("txtDelimiter");
  m_delimiter->setMaximumWidth(80);
  m_bounce = new QCheckBox("Deactivate Undeliverables");
  m_bounce->setObjectName("chkBounce");
  auto* newButton = new QPushButton("New...");
  newButton->setObjectName("cmdNewInbound");
  auto* form = new QFormLayout(m_frame);
  form->addRow("InBound Title:", m_title);
  form->addRow("Fields Delimiter:", m_delimiter);
  form->addRow(m_bounce);
  form->addRow(newButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_frame);
  layout->addStretch();

  watchPlainTitle(m_focus, m_frame, m_title, &m_index);
  m_focus->watch(
      m_delimiter, [this] { return m_delimiter->text(); },
      [this](const QString& text, const QString&) {
        const PanelServices& s = this->services();
        if (s.fieldDelimiterChanged) s.fieldDelimiterChanged(toStd(text));
        s.profile->UpdateFile_new(m_index, "fielddelimiter", toStd(text));
      });
  connect(m_bounce, &QCheckBox::clicked, this, [this](bool on) {
    this->services().profile->UpdateFile_new(m_index, "deactivate", on ? "true" : "false");
  });
  connect(newButton, &QPushButton::clicked, this, [this] { newFilter(); });
}

void FiltersPanel::showBlock(int index) {
  m_index = index;
  const store::ProfileStore& profile = *services().profile;
  QString title = toQt(profile.GetFromFile_new(index, "title"));
  showTitle(m_frame, title);
  m_title->setText(title);
  m_delimiter->setText(toQt(profile.GetFromFile_new(index, "fielddelimiter")));
  m_bounce->setChecked(profile.GetFromFile_new(index, "deactivate") == "true");
  m_focus->refreshOldText();
}

void FiltersPanel::newFilter() {
  m_focus->commitFocused();
  store::ProfileModel model(*services().profile);
  auto node = model.cmdNewInbound_Click(model.filtersTitle());
  if (!node) return;
  if (services().rebuildFilterList) services().rebuildFilterList();
  if (services().reloadTree) services().reloadTree(node->index);
}

}  // namespace tidewell::editor::ui
