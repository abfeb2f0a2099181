#include "editor/ui/filter_advanced_dialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/ui/qt_text.h"

namespace tidewell::editor::ui {

FilterAdvancedDialog::FilterAdvancedDialog(FilterAdvancedChoices choices, QWidget* parent)
    : QDialog(parent), m_choices(std::move(choices)) {
  setObjectName("frmFilterAdvanced");
  setWindowTitle("Filter Advanced");
  auto* frame = new QGroupBox("Manage Subscriptions");
  auto* first = new QLabel("If subscriber exists in filter:");
  auto* second = new QLabel("Unsubscribe from that filter, and subscribe to this filter.");
  m_list = new QComboBox;
  m_list->setObjectName("cboFilters");
  m_list->addItems(toQt(m_choices.entries));
  m_list->setCurrentIndex(m_choices.selected);
  for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(second),
                     static_cast<QWidget*>(m_list)}) {
    w->setEnabled(m_choices.enabled);
  }
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->addWidget(first);
  frameLayout->addWidget(m_list);
  frameLayout->addWidget(second);
  auto* ok = new QPushButton("OK");
  ok->setObjectName("cmdOK");
  ok->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

std::string FilterAdvancedDialog::chosenValue() const {
  return m_choices.valueOf(m_list->currentIndex());
}

}  // namespace tidewell::editor::ui
