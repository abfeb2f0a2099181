#include "subscribers/ui/edit_email_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "subscribers/edit_dialog_rules.h"
#include "subscribers/ui/refusal_box.h"

namespace tidewell::subscribers::ui {

EditEmailDialog::EditEmailDialog(store::ErrorTrap& trap, store::SubscriberTable& table,
                                 store::Position p, QWidget* parent)
    : QDialog(parent),
      m_trap(trap),
      m_table(table),
      m_position(p),
      m_fields{new QLineEdit(this), new QLineEdit(this), new QLineEdit(this)},
      m_active(new QCheckBox("Active", this)),
      m_sent(new QListWidget(this)),
      m_focus(new editor::ui::FocusEdits(this)) {
  setObjectName("frmEditEmail");
  setWindowTitle("Edit Subscriber");
  const char* names[] = {"Text1_0", "Text1_1", "Text1_2"};
  for (int i = 0; i < 3; ++i) {
    m_fields[i]->setObjectName(names[i]);
    QLineEdit* field = m_fields[i];
    m_focus->watch(
        field, [field] { return field->text(); },
        [this](const QString&, const QString&) { leaveField(); });
  }
  m_active->setObjectName("Check1");
  m_sent->setObjectName("List1");
  m_sent->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* remove = new QPushButton("Delete", this);
  remove->setObjectName("Command2");
  auto* close = new QPushButton("Close", this);
  close->setObjectName("Command1");
  // Enter closes the window; it never deletes a sent entry, and typing starts in the address.
  remove->setAutoDefault(false);
  close->setDefault(true);

  auto* form = new QFormLayout;
  form->addRow("Email Address:", m_fields[0]);
  form->addRow("Name:", m_fields[1]);
  form->addRow("Sign-Up Date:", m_fields[2]);
  form->addRow("", m_active);
  auto* sentButtons = new QHBoxLayout;
  sentButtons->addWidget(remove);
  sentButtons->addStretch();
  sentButtons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(new QLabel("Sent Newsletters:", this));
  layout->addWidget(m_sent, 1);
  layout->addLayout(sentButtons);
  setMinimumSize(420, 360);

  connect(m_active, &QCheckBox::clicked, this,
          [this](bool ticked) { setActiveChecked(m_trap, m_table, m_position, ticked); });
  connect(remove, &QPushButton::clicked, this, &EditEmailDialog::tvDelete);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_sent, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    menu.addAction("Delete", this, &EditEmailDialog::tvDelete)->setObjectName("tvDelete");
    menu.exec(m_sent->viewport()->mapToGlobal(at));
  });
  showRecord();
  m_fields[0]->setFocus();
}

void EditEmailDialog::showRecord() {
  EditDialogFields shown = editDialogFields(m_table, m_position);
  m_fields[0]->setText(QString::fromStdString(shown.email));
  m_fields[1]->setText(QString::fromStdString(shown.name));
  m_fields[2]->setText(QString::fromStdString(shown.signup));
  m_active->setChecked(shown.active);
  fillSentList();
}

void EditEmailDialog::fillSentList() {
  m_sent->clear();
  std::vector<std::string> entries = sentEntries(m_table.record(m_position).sentList());
  if (entries.empty()) entries.emplace_back(kNothingSent);
  for (const std::string& entry : entries) m_sent->addItem(QString::fromStdString(entry));
}

void EditEmailDialog::leaveField() {
  auto refusal =
      leaveEditField(m_trap, m_table, m_position, m_fields[0]->text().toStdString(),
                     m_fields[1]->text().toStdString(), m_fields[2]->text().toStdString());
  if (!refusal) return;
  showRefusal(this, *refusal);
  EditDialogFields stored = editDialogFields(m_table, m_position);
  m_fields[0]->setText(QString::fromStdString(stored.email));
  m_fields[2]->setText(QString::fromStdString(stored.signup));
}

void EditEmailDialog::tvDelete() {
  QListWidgetItem* item = m_sent->currentItem();
  if (!item || !item->isSelected()) return;
  deleteSentEntry(m_trap, m_table, m_position, item->text().toStdString());
  fillSentList();
}

void EditEmailDialog::done(int result) {
  // The field that still has the focus is stored before the dialog goes.
  m_focus->commitFocused();
  QDialog::done(result);
}

}  // namespace tidewell::subscribers::ui
