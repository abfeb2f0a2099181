#include "subscribers/ui/new_email_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "subscribers/new_email_rules.h"
#include "subscribers/ui/refusal_box.h"

namespace tidewell::subscribers::ui {

NewEmailDialog::NewEmailDialog(store::ErrorTrap& trap, store::SubscriberTable& table,
                               QWidget* parent)
    : QDialog(parent),
      m_trap(trap),
      m_table(table),
      m_address(new QLineEdit(this)),
      m_name(new QLineEdit(this)),
      m_filter(new QComboBox(this)) {
  setObjectName("frmNewEmail");
  setWindowTitle("New Email");
  m_address->setObjectName("Text1_0");
  m_name->setObjectName("Text1_1");
  m_filter->setObjectName("Combo1");
  for (const std::string& title : newEmailFilterChoices(table.filterList())) {
    m_filter->addItem(QString::fromStdString(title));
  }
  m_filter->setCurrentIndex(0);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("Command1");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("Command2");

  auto* form = new QFormLayout;
  form->addRow("Email Address:", m_address);
  form->addRow("Name:", m_name);
  form->addRow("Filter:", m_filter);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  setMinimumWidth(380);
  connect(ok, &QPushButton::clicked, this, &NewEmailDialog::ok);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool NewEmailDialog::run(store::ErrorTrap& trap, store::SubscriberTable& table, QWidget* parent,
                         const consent::SuppressionList& suppressed) {
  if (auto refusal = checkNewEmailOpen(table.filterList())) {
    showRefusal(parent, *refusal);
    return false;
  }
  NewEmailDialog dialog(trap, table, parent);
  dialog.m_suppressed = suppressed;
  return dialog.exec() == QDialog::Accepted;
}

void NewEmailDialog::ok() {
  std::string address = m_address->text().toStdString();
  std::string name = m_name->text().toStdString();
  std::string filter = m_filter->currentText().toStdString();
  if (auto refusal =
          checkNewEmail(m_table, m_table.filterList(), address, name, filter, m_suppressed)) {
    showRefusal(this, *refusal);
    return;
  }
  if (addNewEmail(m_trap, m_table, address, name, filter)) accept();
}

}  // namespace tidewell::subscribers::ui
