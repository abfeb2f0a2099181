#pragma once
// The subscriber grid's widget (`grid`): whole-row selection in one range, the context menu on
// the right button's release, the menu key and Shift+F10, editing on double click and Enter,
// and mouse-wheel paging. What the menus do is the user panel's; UI thread only.

#include <QTableView>

#include "subscribers/subscriber_grid.h"

namespace tidewell::subscribers::ui {

class SubscriberGridView : public QTableView {
  Q_OBJECT

 public:
  explicit SubscriberGridView(QWidget* parent = nullptr);

  // The current row and the selection's other end, grid rows counted from 1 (0: none).
  RowSelection selection() const;
  // The first row shown (from 1); 1 for an empty grid.
  int topRow() const;
  void setTopRow(int row);
  // Selects the whole row (from 1) and scrolls it to the top.
  void selectRowAtTop(int row);
  // Selects rows first to last (from 1) with `current` the current row, as a drag would.
  void selectRows(int current, int otherEnd);

 signals:
  // The subscriber menu is wanted at this global position.
  void menuRequested(const QPoint& globalPos);
  // The current row is to be edited.
  void editRequested();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  QPoint menuPositionForKeys() const;

  int m_wheelRest = 0;  // wheel turn not yet a whole step (fine-grained wheels, touch pads)
};

}  // namespace tidewell::subscribers::ui
