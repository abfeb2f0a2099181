#include "editor/ui/rule_editor_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "editor/ui/qt_text.h"

namespace tidewell::editor::ui {

namespace {

QComboBox* choiceBox(const char* name, const QStringList& choices) {
  auto* box = new QComboBox;
  box->setObjectName(name);
  box->addItems(choices);
  box->setCurrentIndex(-1);
  return box;
}

void showChoice(QComboBox* box, const std::string& value) {
  QSignalBlocker quiet(box);
  box->setCurrentIndex(value.empty() ? -1 : box->findText(toQt(value)));
}

}  // namespace

RuleEditorDialog::RuleEditorDialog(store::ProfileStore& profile, int blockIndex, QWidget* parent)
    : QDialog(parent), m_editor(profile, blockIndex) {
  setObjectName("frmEditRule");
  setWindowTitle("Rule Editor");
  m_spec = choiceBox("Combo1", {"Subject", "Body", "From"});
  m_logic = choiceBox("Combo2", {"=", "Has"});
  m_keyword = new QLineEdit;
  m_keyword->setObjectName("Text1");
  m_connector = choiceBox("Combo3", {"And", "Or", " "});
  m_list = new QListWidget;
  m_list->setObjectName("List1");
  m_list->setContextMenuPolicy(Qt::CustomContextMenu);
  m_confirm = new QPushButton;
  m_confirm->setObjectName("Command3");
  m_confirm->setDefault(true);
  m_delete = new QPushButton("&Delete");
  m_delete->setObjectName("Command1");

  auto* inputs = new QGridLayout;
  inputs->addWidget(new QLabel("Email:"), 0, 0);
  inputs->addWidget(new QLabel("Logic:"), 0, 1);
  inputs->addWidget(new QLabel("Keyword:"), 0, 2);
  inputs->addWidget(new QLabel("And/Or"), 0, 3);
  inputs->addWidget(m_spec, 1, 0);
  inputs->addWidget(m_logic, 1, 1);
  inputs->addWidget(m_keyword, 1, 2);
  inputs->addWidget(m_connector, 1, 3);
  inputs->setColumnStretch(2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_delete);
  buttons->addWidget(m_confirm);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(inputs);
  layout->addWidget(m_list);
  layout->addLayout(buttons);
  resize(560, 320);

  // Only the operator's own choices count as changes (activated, textEdited).
  connect(m_spec, &QComboBox::activated, this, [this] {
    m_editor.chooseSpec(toStd(m_spec->currentText()));
    showState();
  });
  connect(m_logic, &QComboBox::activated, this, [this] {
    m_editor.chooseLogic(toStd(m_logic->currentText()));
    showState();
  });
  connect(m_connector, &QComboBox::activated, this, [this] {
    m_editor.chooseConnector(toStd(m_connector->currentText()));
    showState();
  });
  connect(m_keyword, &QLineEdit::textEdited, this, [this](const QString& text) {
    m_editor.typeKeyword(toStd(text));
    m_confirm->setText(toQt(m_editor.caption()));
  });
  connect(m_list, &QListWidget::itemClicked, this, [this] {
    m_editor.selectRow(m_list->currentRow());
    showState();
  });
  connect(m_list, &QListWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { showMenu(at); });
  connect(m_confirm, &QPushButton::clicked, this, [this] { confirm(); });
  connect(m_delete, &QPushButton::clicked, this, [this] { deleteRule(); });

  m_editor.activate();
  showState();
}

void RuleEditorDialog::showState() {
  const RuleInputs& in = m_editor.inputs();
  showChoice(m_spec, in.spec);
  showChoice(m_logic, in.logic);
  showChoice(m_connector, in.connector);
  if (m_keyword->text() != toQt(in.keyword)) m_keyword->setText(toQt(in.keyword));
  m_logic->setEnabled(m_editor.logicEnabled());
  m_confirm->setText(toQt(m_editor.caption()));
  m_delete->setEnabled(m_editor.deleteEnabled());
  int row = m_list->currentRow();
  QStringList texts = toQt(m_editor.listTexts());
  QStringList shown;
  for (int i = 0; i < m_list->count(); ++i) shown << m_list->item(i)->text();
  if (shown != texts) {
    m_list->clear();
    m_list->addItems(texts);
    if (row < m_list->count()) m_list->setCurrentRow(row);
  }
}

void RuleEditorDialog::confirm() {
  ConfirmOutcome outcome = m_editor.confirm();
  showState();
  if (outcome.selectRow >= 0) m_list->setCurrentRow(outcome.selectRow);
  if (outcome.message) {
    QMessageBox::warning(this, toQt(outcome.message->caption), toQt(outcome.message->text));
    switch (outcome.focus) {
      case RuleInput::Spec:
        m_spec->setFocus();
        break;
      case RuleInput::Logic:
        m_logic->setFocus();
        break;
      case RuleInput::Keyword:
        m_keyword->setFocus();
        break;
      case RuleInput::Connector:
        m_connector->setFocus();
        break;
      case RuleInput::None:
        break;
    }
    return;
  }
  if (outcome.close) accept();
}

void RuleEditorDialog::deleteRule() {
  m_editor.deleteSelected();
  m_list->clear();
  showState();
}

void RuleEditorDialog::showMenu(const QPoint& at) {
  QMenu menu(this);
  QAction* remove = menu.addAction("Delete");
  remove->setObjectName("mnu_delete");
  remove->setEnabled(m_editor.deleteEnabled());
  connect(remove, &QAction::triggered, this, [this] { deleteRule(); });
  menu.exec(m_list->viewport()->mapToGlobal(at));
}

}  // namespace tidewell::editor::ui
