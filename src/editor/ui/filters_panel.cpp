#include "editor/ui/filters_panel.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/ui/qt_text.h"
#include "editor/web_kit.h"
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
  m_webKit = new QLineEdit;
  m_webKit->setObjectName("txtWebKit");
  m_webKit->setPlaceholderText("https://www.example.com/list/");
  m_webKit->setToolTip(
      "The folder of your web site that holds the web kit (email.php and o.php): the sign-up "
      "form posts there and the newsletters' opt-out links point there.");
  auto* newButton = new QPushButton("New...");
  newButton->setObjectName("cmdNewInbound");
  auto* form = new QFormLayout(m_frame);
  form->addRow("InBound Title:", m_title);
  form->addRow("Fields Delimiter:", m_delimiter);
  form->addRow(m_bounce);
  form->addRow("Web Kit Address:", m_webKit);
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
  m_focus->watch(
      m_webKit, [this] { return m_webKit->text(); },
      [this](const QString& text, const QString&) { writeWebKitAddress(text); });
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
  std::string webKit = profile.GetFromFile_new(index, "webkit");
  m_webKit->setText(store::isAbsentOrEmpty(webKit) ? QString() : toQt(webKit));
  m_focus->refreshOldText();
}

// Stored as typed; the engine and the generators use it only once it is a kit address.
void FiltersPanel::writeWebKitAddress(const QString& text) {
  std::string address = toStd(text.trimmed());
  const PanelServices& s = services();
  s.profile->UpdateFile_new(m_index, "webkit", address);
  std::optional<std::string> problem = webKitAddressProblem(address);
  if (s.settings) s.settings->webkit = problem ? std::string() : address;
  if (problem) QMessageBox::warning(this, "Web Kit Address", toQt(*problem));
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
