#include "subscribers/ui/subscriber_grid_view.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>

namespace tidewell::subscribers::ui {

namespace {

// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelStep = 120;

}  // namespace

SubscriberGridView::SubscriberGridView(QWidget* parent) : QTableView(parent) {
  setObjectName("grid");
  setSelectionBehavior(QAbstractItemView::SelectRows);
  // Row actions run from the current row to the other end of one range.
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  // The menu opens on the right button's release and from the keys, never twice.
  setContextMenuPolicy(Qt::PreventContextMenu);
}

RowSelection SubscriberGridView::selection() const {
  QModelIndex current = currentIndex();
  if (!current.isValid() || !selectionModel()) return {};
  auto row = static_cast<std::uint32_t>(current.row() + 1);
  int lo = current.row();
  int hi = current.row();
  for (const QModelIndex& index : selectionModel()->selectedRows()) {
    lo = std::min(lo, index.row());
    hi = std::max(hi, index.row());
  }
  int other = current.row() == hi ? lo : hi;
  return {row, static_cast<std::uint32_t>(other + 1)};
}

int SubscriberGridView::topRow() const {
  int row = rowAt(0);
  return row < 0 ? 1 : row + 1;
}

void SubscriberGridView::setTopRow(int row) {
  if (!model() || model()->rowCount() == 0) return;
  row = std::clamp(row, 1, model()->rowCount());
  scrollTo(model()->index(row - 1, 0), QAbstractItemView::PositionAtTop);
}

void SubscriberGridView::selectRowAtTop(int row) {
  selectRows(row, row);
  setTopRow(row);
}

void SubscriberGridView::selectRows(int current, int otherEnd) {
  if (!model() || current < 1 || otherEnd < 1) return;
  int last = model()->rowCount();
  if (current > last || otherEnd > last) return;
  int lastColumn = std::max(model()->columnCount() - 1, 0);
  QItemSelection range(model()->index(std::min(current, otherEnd) - 1, 0),
                       model()->index(std::max(current, otherEnd) - 1, lastColumn));
  selectionModel()->setCurrentIndex(model()->index(current - 1, 0), QItemSelectionModel::NoUpdate);
  selectionModel()->select(range, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void SubscriberGridView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    QTableView::mousePressEvent(event);
    return;
  }
  // The right button keeps a selection it presses on (the menu acts on all of it) and
  // selects the one row it presses on elsewhere.
  setFocus(Qt::MouseFocusReason);
  QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid() && !selectionModel()->isRowSelected(index.row(), QModelIndex())) {
    selectRows(index.row() + 1, index.row() + 1);
  }
  event->accept();
}

void SubscriberGridView::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  if (event->button() == Qt::RightButton) emit menuRequested(event->globalPosition().toPoint());
}

void SubscriberGridView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid()) {
    emit editRequested();
    return;
  }
  QTableView::mouseDoubleClickEvent(event);
}

QPoint SubscriberGridView::menuPositionForKeys() const {
  QRect cell = visualRect(currentIndex());
  QPoint inside = cell.isValid() ? cell.bottomLeft() : QPoint(0, 0);
  return viewport()->mapToGlobal(inside);
}

void SubscriberGridView::keyPressEvent(QKeyEvent* event) {
  bool menuKey = event->key() == Qt::Key_Menu ||
                 (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
  if (menuKey) {
    emit menuRequested(menuPositionForKeys());
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      currentIndex().isValid()) {
    emit editRequested();
    return;
  }
  QTableView::keyPressEvent(event);
}

void SubscriberGridView::wheelEvent(QWheelEvent* event) {
  event->accept();
  if (!model() || model()->rowCount() == 0) return;
  m_wheelRest += event->angleDelta().y();
  int rowHeight = verticalHeader()->defaultSectionSize();
  while (std::abs(m_wheelRest) >= kWheelStep) {
    int delta = m_wheelRest > 0 ? kWheelStep : -kWheelStep;
    m_wheelRest -= delta;
    // The grid's rows count the header as row 0, so its row count is one more.
    setTopRow(wheelTopRow(topRow(), model()->rowCount() + 1, delta, height(), rowHeight));
  }
}

}  // namespace tidewell::subscribers::ui
