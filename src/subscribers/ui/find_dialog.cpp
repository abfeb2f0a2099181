#include "subscribers/ui/find_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tidewell::subscribers::ui {

FindDialog::FindDialog(store::OperatorInterface& window, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      m_operator(this, window),
      m_text(new QLineEdit(this)),
      m_fields(new QCheckBox("Search PMF Fields", this)) {
  setObjectName("frmFind");
  setWindowTitle("Find");
  setModal(false);
  m_text->setObjectName("Text1");
  m_fields->setObjectName("Check1");
  auto* next = new QPushButton("Find Next", this);
  next->setObjectName("Command1");
  next->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("Command2");
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("Find What:", this));
  row->addWidget(m_text, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(next);
  buttons->addWidget(cancel);
  auto* left = new QVBoxLayout;
  left->addLayout(row);
  left->addWidget(m_fields);
  left->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);
  setMinimumWidth(420);
  connect(m_text, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_finder.setText(text.toStdString()); });
  connect(m_fields, &QCheckBox::toggled, this,
          [this](bool on) { m_finder.setSearchPersonalFields(on); });
  connect(next, &QPushButton::clicked, this, [this] { findNext(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FindDialog::open() {
  show();
  raise();
  activateWindow();
  m_text->setFocus();
  m_text->selectAll();
}

std::optional<store::Position> FindDialog::findNext() {
  if (!m_grid) return std::nullopt;
  std::optional<store::Position> found =
      m_finder.findNext(m_grid->table(), m_grid->showFilter(), m_operator);
  if (!found) return std::nullopt;
  // A match the grid does not show (an inactive subscriber under a filter) selects no row.
  std::int32_t row = m_grid->table().record(*found).gridRow();
  if (row > 0 && m_showRow) m_showRow(row);
  return found;
}

}  // namespace tidewell::subscribers::ui
