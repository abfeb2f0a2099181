#include "subscribers/ui/personal_fields_dialog.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "subscribers/ui/refusal_box.h"

namespace tidewell::subscribers::ui {

namespace {

// The grid's widths are in twips, 15 to a pixel.
constexpr int kTwipsPerPixel = 15;

}  // namespace

PersonalFieldsDialog::PersonalFieldsDialog(const PersonalFieldsView& view, QWidget* parent)
    : QDialog(parent), m_view(view), m_grid(new QTableWidget(this)) {
  setObjectName("frmPMFs");
  setWindowTitle("Personal Message Fields");
  auto* title = new QLabel(QString::fromStdString(view.title), this);
  title->setObjectName("lblTitle");
  m_grid->setObjectName("MSFlexGrid1");
  m_grid->setColumnCount(2);
  m_grid->setRowCount(static_cast<int>(view.rows.size()));
  m_grid->setHorizontalHeaderLabels(
      {qText(kPersonalFieldsNameHeader), qText(kPersonalFieldsValueHeader)});
  m_grid->setColumnWidth(0, kPersonalFieldsNameWidth / kTwipsPerPixel);
  m_grid->setColumnWidth(1, kPersonalFieldsValueWidth / kTwipsPerPixel);
  m_grid->verticalHeader()->hide();
  m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
  for (int row = 0; row < m_grid->rowCount(); ++row) {
    const PersonalFieldRow& field = view.rows[static_cast<std::size_t>(row)];
    m_grid->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(field.name)));
    auto* value = new QTableWidgetItem(QString::fromStdString(field.value));
    if (field.link != LinkKind::kNone) {
      QFont font = value->font();
      font.setUnderline(true);
      value->setFont(font);
      value->setForeground(Qt::blue);
      value->setToolTip(linkOf(row).toString());
    }
    m_grid->setItem(row, 1, value);
  }
  auto* close = new QPushButton("Close", this);
  close->setObjectName("Command1");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(m_grid, 1);
  layout->addLayout(buttons);
  resize(560, 480);
  connect(m_grid, &QTableWidget::cellClicked, this, &PersonalFieldsDialog::openLink);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

QUrl PersonalFieldsDialog::linkOf(int row) const {
  if (row < 0 || row >= static_cast<int>(m_view.rows.size())) return {};
  const PersonalFieldRow& field = m_view.rows[static_cast<std::size_t>(row)];
  QString value = QString::fromStdString(field.value);
  switch (field.link) {
    case LinkKind::kUrl:
      return QUrl(value);
    case LinkKind::kEmail:
      return QUrl("mailto:" + value);
    case LinkKind::kNone:
      break;
  }
  return {};
}

void PersonalFieldsDialog::openLink(int row, int column) {
  QUrl link = linkOf(row);
  // Navigate / OpenEmailProgram: the desktop's browser or mail program.
  if (column == 1 && link.isValid() && !link.isEmpty()) QDesktopServices::openUrl(link);
}

}  // namespace tidewell::subscribers::ui
