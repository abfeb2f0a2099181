#include "editor/ui/subjects_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tidewell::editor::ui {

SubjectsDialog::SubjectsDialog(const QStringList& keywords, QWidget* parent) : QDialog(parent) {
  setObjectName("frmSubjects");
  setWindowTitle("Multiple Subject's");
  auto* label = new QLabel(
      "You have more than one subject rules to choose from in your list of rules.\n\n"
      "Select which subject rule you would like to use.");
  label->setWordWrap(true);
  m_list = new QListWidget;
  m_list->setObjectName("List1");
  m_list->addItems(keywords);
  auto* ok = new QPushButton("&OK");
  ok->setObjectName("Command2");
  auto* cancel = new QPushButton("&Cancel");
  cancel->setObjectName("Command1");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(m_list);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] {
    QListWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected()) return;
    m_answer = item->text();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    m_answer = "!";
    reject();
  });
}

QString SubjectsDialog::choose(const QStringList& keywords, QWidget* parent) {
  SubjectsDialog dialog(keywords, parent);
  dialog.exec();
  return dialog.answer();
}

}  // namespace tidewell::editor::ui
