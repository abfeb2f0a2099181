#pragma once
// The subscriber grid as a read-only Qt table model: rows and cells come straight from the
// core SubscriberGrid, so a million subscribers cost no copies. Owned by the user panel; UI
// thread only, and the grid must not change between reload() calls.

#include <QAbstractTableModel>
#include <functional>

#include "subscribers/subscriber_grid.h"

namespace tidewell::subscribers::ui {

class SubscriberGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit SubscriberGridModel(QObject* parent = nullptr);

  // Shows another grid (nullptr: none). The grid is not rebuilt.
  void setGrid(SubscriberGrid* grid);
  SubscriberGrid* grid() const { return m_grid; }
  // loadgrid, with the views told that everything changed.
  void reload();
  // Runs a rebuild of the grid (a show filter change, say) with the views let go of its rows.
  void rebuild(const std::function<void(SubscriberGrid&)>& how);
  // The views are told that the grid was rebuilt by someone else.
  void refresh();
  // Cells changed but not the rows (a toggle, a new filter): the views repaint, selection and
  // scroll position stay.
  void cellsChanged();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  SubscriberGrid* m_grid = nullptr;
};

}  // namespace tidewell::subscribers::ui
