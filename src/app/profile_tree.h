#pragma once
// The profile tree (`TreeView1`): one node per block, found by its block index, whatever
// titles the nodes share. It does not change the selection by itself: presses and keys are passed
// to the main window, which runs the required-fields check before a node is shown. UI thread only.

#include <QTreeWidget>

#include "tree_rules.h"

namespace tidewell::app {

class ProfileTree : public QTreeWidget {
  Q_OBJECT

 public:
  explicit ProfileTree(QWidget* parent = nullptr);

  void clearNodes();
  // Replaces the nodes with the plan's, every node expanded.
  void showPlan(const TreePlan& plan);
  // The node of a block index, or nullptr.
  QTreeWidgetItem* nodeAt(int index) const;
  static int indexOf(const QTreeWidgetItem* item);
  int nodeCount() const;
  // Selects the node of the index without telling anyone; false when there is none.
  bool selectIndex(int index);
  // The node of the block index shows newTitle.
  void renameNodeAt(int index, const QString& newTitle);

 signals:
  // The operator pressed on a node (any button) or moved to one with the keys.
  void nodeRequested(int index);
  // The right button was released over the tree.
  void menuRequested(const QPoint& globalPos);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QList<QTreeWidgetItem*> m_byIndex;  // in tree order; mostly position i holds index i + 1
};

}  // namespace tidewell::app
