#include "editor/ui/filter_panel.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "editor/filter_advanced_choices.h"
#include "editor/rule_list.h"
#include "editor/ui/confirmation_box.h"
#include "editor/ui/extract_key_grid.h"
#include "editor/ui/field_editor_grid.h"
#include "editor/ui/filter_advanced_dialog.h"
#include "editor/ui/qt_text.h"
#include "editor/ui/rule_editor_dialog.h"

namespace tidewell::editor::ui {

namespace {

QPushButton* button(const QString& text, const char* name) {
  auto* b = new QPushButton(text);
  b->setObjectName(name);
  return b;
}

QLineEdit* box(const char* name) {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  return e;
}

}  // namespace

FilterPanel::FilterPanel(const PanelServices& services, QWidget* parent)
    : PropertyPanel(services, parent), m_focus(new FocusEdits(this)) {
  m_frame = new QGroupBox(this);
  m_title = box("txtRuleTitle");
  m_optInCode = box("txtOptInCode");
  m_optInCode->setToolTip(
      "The code sign-ups of this filter carry (its subject keyword); subscribers are added by "
      "hand only to filters that have one");
  m_toName = box("txtExtractToName");
  m_redirect = box("txtOptInRedirect");
  m_display = box("txtDisplay");
  m_rules = new QListWidget;
  m_rules->setObjectName("List1");
  m_rules->setMaximumHeight(90);
  auto* editRulesButton = button("Edit Rules...", "cmdEditRules");
  auto* advanced = button("Advanced", "cmdFilterAdvanced");
  auto* optIn = button("Opt-In html", "cmdHTML");
  auto* optOut = button("Opt-Out html", "cmdOptOutHtml");

  auto* form = new QFormLayout;
  form->addRow("Filter Title:", m_title);
  form->addRow("Opt-In Code:", m_optInCode);
  form->addRow("To Name:", m_toName);
  form->addRow("Opt-In Redirect:", m_redirect);
  form->addRow("Display Name:", m_display);
  auto* rulesRow = new QHBoxLayout;
  rulesRow->addWidget(m_rules, 1);
  rulesRow->addWidget(editRulesButton, 0, Qt::AlignTop);
  form->addRow("Opt-In Rules:", rulesRow);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(advanced);
  buttons->addStretch();
  buttons->addWidget(optIn);
  buttons->addWidget(optOut);
  auto* frameLayout = new QVBoxLayout(m_frame);
  frameLayout->addLayout(form);
  m_confirmation = new ConfirmationBox;
  frameLayout->addWidget(m_confirmation);
  frameLayout->addWidget(buildEditors(), 1);
  frameLayout->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_frame);

  connect(m_title, &QLineEdit::textEdited, this, [this] { titleTyped(); });
  m_focus->watch(
      m_title, [this] { return m_title->text(); },
      [this](const QString& text, const QString&) { leaveTitle(text); });
  watchTextKey(m_optInCode, "subject");
  watchTextKey(m_toName, "toname");
  watchTextKey(m_redirect, "redirect");
  watchTextKey(m_display, "displayname");
  connect(editRulesButton, &QPushButton::clicked, this, [this] { editRules(); });
  connect(advanced, &QPushButton::clicked, this, [this] { openAdvanced(); });
  connect(optIn, &QPushButton::clicked, this, [this] { showOptInHtml(); });
  connect(optOut, &QPushButton::clicked, this, [this] { showOptOutHtml(); });
}

QWidget* FilterPanel::buildEditors() {
  auto* tabs = new QTabWidget;
  m_fields = new FieldEditorGrid;
  m_keys = new ExtractKeyGrid;
  tabs->addTab(m_fields, "Personal Message Fields");
  tabs->addTab(m_keys, "Extract Keys");
  m_fields->onChanged([this] {
    m_editor->writeKey("fields", m_fields->editor().value());
    m_keys->setFieldTable(m_fields->editor().table());
    rebuildFilterList();
  });
  m_keys->onChanged([this] {
    m_editor->writeKey("extractkeys", m_keys->editor().value());
    rebuildFilterList();
  });
  return tabs;
}

void FilterPanel::watchTextKey(QLineEdit* field, const char* key) {
  m_focus->watch(
      field, [field] { return field->text(); },
      [this, key](const QString& text, const QString&) {
        if (!m_editor) return;
        m_editor->writeKey(key, toStd(text));
        // The display name is used for sending at once, and the opt-in code by New Email, from
        // the filter list.
        if (std::string_view(key) == "displayname" || std::string_view(key) == "subject") {
          rebuildFilterList();
        }
      });
}

void FilterPanel::rebuildFilterList() {
  if (services().rebuildFilterList) services().rebuildFilterList();
}

const store::FilterRecord* FilterPanel::shownFilter() const {
  if (!services().filterList) return nullptr;
  for (const store::FilterRecord& f : services().filterList()) {
    if (f.indexNumber == m_index) return &f;
  }
  return nullptr;
}

void FilterPanel::showBlock(int index) {
  m_index = index;
  store::ProfileStore& profile = *services().profile;
  m_editor = std::make_unique<FilterEditor>(profile, index);
  auto read = [&](const char* key) {
    std::string value = profile.GetFromFile_new(index, key);
    return value == store::kAbsent ? QString() : toQt(value);
  };
  m_storedTitle = read("title");
  showTitle(m_frame, m_storedTitle);
  m_title->setText(m_storedTitle);
  m_guard.reset({toStd(m_storedTitle), static_cast<int>(m_storedTitle.size()), 0});
  m_optInCode->setText(read("subject"));
  m_toName->setText(read("toname"));
  m_redirect->setText(read("redirect"));
  m_display->setText(read("displayname"));
  m_confirmation->showValues(read("confirm"), read("confirmfile"), read("confirmremind"),
                             read("confirmexpire"), [this](const char* key, const QString& value) {
                               if (!m_editor) return;
                               m_editor->writeKey(key, toStd(value));
                               rebuildFilterList();
                             });
  loadRules();
  store::FilterRecord fallback;
  const store::FilterRecord* shown = shownFilter();
  if (!shown) {
    fallback.fieldTable = store::parseFieldTable(toStd(read("fields")));
    fallback.extractKeyTable = store::parseExtractKeys(toStd(read("extractkeys")));
    shown = &fallback;
  }
  m_fields->showTable(shown->fieldTable);
  m_keys->showTables(shown->extractKeyTable, shown->fieldTable);
  m_focus->refreshOldText();
}

void FilterPanel::loadRules() {
  m_rules->clear();
  m_rules->addItems(toQt(ff_Load_Rules(*services().profile, m_index)));
}

void FilterPanel::titleTyped() {
  TitleTypingResult result = m_guard.onChange({toStd(m_title->text()), m_title->cursorPosition(),
                                               static_cast<int>(m_title->selectedText().size())});
  if (services().showStatus) services().showStatus(result.status);
  if (!result.accepted) {
    const TitleBoxState& back = result.restore;
    m_title->setText(toQt(back.text));
    if (back.selectionLength > 0) {
      m_title->setSelection(back.caret, back.selectionLength);
    } else {
      m_title->setCursorPosition(back.caret);
    }
    return;
  }
  QString text = m_title->text();
  followTitle(m_frame, text);
}

void FilterPanel::leaveTitle(const QString& text) {
  if (!m_editor) return;
  auto refusal = m_editor->leaveTitle(toStd(text), toStd(m_storedTitle));
  if (!refusal) {
    if (text != m_storedTitle) {
      m_storedTitle = text;
      rebuildFilterList();
    }
    return;
  }
  QMessageBox::warning(this, toQt(refusal->caption), toQt(refusal->message));
  if (refusal->restoreOldTitle) {
    followTitle(m_frame, m_storedTitle);
    m_title->setText(m_storedTitle);
    m_guard.reset({toStd(m_storedTitle), static_cast<int>(m_storedTitle.size()), 0});
  }
  // Back into the box once the focus change that left it has settled.
  QTimer::singleShot(0, m_title, [title = m_title] { title->setFocus(Qt::OtherFocusReason); });
}

void FilterPanel::editRules() {
  m_focus->commitFocused();
  RuleEditorDialog dialog(*services().profile, m_index, this);
  dialog.exec();
  // Rule changes reach the panel and the matching at once rather than at the next rebuild.
  loadRules();
  rebuildFilterList();
}

void FilterPanel::openAdvanced() {
  m_focus->commitFocused();
  std::string current = services().profile->GetFromFile_new(m_index, "autounsubscribe");
  std::vector<store::FilterRecord> none;
  const auto& filters = services().filterList ? services().filterList() : none;
  FilterAdvancedDialog dialog(filterAdvancedChoices(filters, m_index, current), this);
  if (dialog.exec() != QDialog::Accepted) return;
  m_editor->writeKey("autounsubscribe", dialog.chosenValue());
  rebuildFilterList();
}

}  // namespace tidewell::editor::ui
