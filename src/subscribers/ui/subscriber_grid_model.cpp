#include "subscribers/ui/subscriber_grid_model.h"

namespace tidewell::subscribers::ui {

SubscriberGridModel::SubscriberGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void SubscriberGridModel::setGrid(SubscriberGrid* grid) {
  beginResetModel();
  m_grid = grid;
  endResetModel();
}

void SubscriberGridModel::reload() {
  rebuild([](SubscriberGrid& grid) { grid.loadgrid(); });
}

void SubscriberGridModel::rebuild(const std::function<void(SubscriberGrid&)>& how) {
  beginResetModel();
  if (m_grid) how(*m_grid);
  endResetModel();
}

void SubscriberGridModel::refresh() {
  beginResetModel();
  endResetModel();
}

void SubscriberGridModel::cellsChanged() {
  if (rowCount() == 0 || columnCount() == 0) return;
  emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

int SubscriberGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !m_grid) return 0;
  return static_cast<int>(m_grid->rowCount());
}

int SubscriberGridModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || !m_grid) return 0;
  return static_cast<int>(m_grid->columnCount());
}

QVariant SubscriberGridModel::data(const QModelIndex& index, int role) const {
  if (!m_grid || !checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  // The grid counts subscriber rows from 1, under its header.
  auto row = static_cast<std::uint32_t>(index.row() + 1);
  return QString::fromStdString(m_grid->cellText(row, static_cast<std::size_t>(index.column())));
}

QVariant SubscriberGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!m_grid || role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || section >= columnCount()) return {};
  return QString::fromStdString(m_grid->headerText(static_cast<std::size_t>(section)));
}

Qt::ItemFlags SubscriberGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace tidewell::subscribers::ui
