#include "editor/ui/confirmation_box.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace tidewell::editor::ui {

namespace {

QSpinBox* daysBox(const char* name, int lowest) {
  auto* box = new QSpinBox;
  box->setObjectName(name);
  box->setRange(lowest, 365);
  box->setSuffix(" days");
  return box;
}

int daysOf(const QString& stored, int fallback) {
  bool ok = false;
  int days = stored.trimmed().toInt(&ok);
  return ok && days >= 0 ? days : fallback;
}

}  // namespace

ConfirmationBox::ConfirmationBox(QWidget* parent) : QGroupBox(tr("Confirmed Opt-In"), parent) {
  setObjectName("fraConfirm");
  m_confirm = new QComboBox;
  m_confirm->setObjectName("cboConfirm");
  m_confirm->addItem(tr("Web form sign-ups must confirm"), "form");
  m_confirm->addItem(tr("Every sign-up must confirm"), "all");
  m_confirm->addItem(tr("No confirmation (active at once)"), "none");
  m_file = new QLineEdit;
  m_file->setObjectName("txtConfirmFile");
  m_file->setPlaceholderText(tr("built-in text"));
  auto* browse = new QPushButton(tr("Browse..."));
  browse->setObjectName("cmdConfirmFile");
  m_remind = daysBox("txtConfirmRemind", 0);
  m_remind->setSpecialValueText(tr("no reminder"));
  m_expire = daysBox("txtConfirmExpire", 1);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(m_file, 1);
  fileRow->addWidget(browse);
  auto* daysRow = new QHBoxLayout;
  daysRow->addWidget(m_remind);
  daysRow->addSpacing(12);
  daysRow->addWidget(new QLabel(tr("Drop unconfirmed after:")));
  daysRow->addWidget(m_expire);
  daysRow->addStretch();
  auto* form = new QFormLayout(this);
  form->addRow(tr("Confirmation:"), m_confirm);
  form->addRow(tr("Confirmation Message:"), fileRow);
  form->addRow(tr("Reminder after:"), daysRow);

  connect(m_confirm, &QComboBox::activated, this, [this] {
    if (m_write) m_write("confirm", m_confirm->currentData().toString());
  });
  connect(m_file, &QLineEdit::editingFinished, this, [this] {
    if (m_write) m_write("confirmfile", m_file->text().trimmed());
  });
  connect(m_remind, &QSpinBox::editingFinished, this, [this] {
    if (m_write) m_write("confirmremind", QString::number(m_remind->value()));
  });
  connect(m_expire, &QSpinBox::editingFinished, this, [this] {
    if (m_write) m_write("confirmexpire", QString::number(m_expire->value()));
  });
  connect(browse, &QPushButton::clicked, this, [this] { chooseFile(); });
}

void ConfirmationBox::showValues(const QString& confirm, const QString& file, const QString& remind,
                                 const QString& expire, WriteKey writeKey) {
  m_write = nullptr;  // showing values writes nothing
  int index = m_confirm->findData(confirm.trimmed().toLower());
  m_confirm->setCurrentIndex(index < 0 ? 0 : index);
  m_file->setText(file);
  m_remind->setValue(daysOf(remind, 3));
  m_expire->setValue(std::max(1, daysOf(expire, 14)));
  m_write = std::move(writeKey);
}

void ConfirmationBox::chooseFile() {
  QString path = QFileDialog::getOpenFileName(this, tr("Confirmation Message"), m_file->text(),
                                              tr("Messages (*.txt *.htm *.html);;All files (*)"));
  if (path.isEmpty()) return;
  m_file->setText(path);
  if (m_write) m_write("confirmfile", path);
}

}  // namespace tidewell::editor::ui
