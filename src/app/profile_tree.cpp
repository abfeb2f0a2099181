#include "profile_tree.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>

namespace tidewell::app {

namespace {

constexpr int kIndexRole = Qt::UserRole;

// Small drawn images, one per kind, so the tree reads the same on every desktop theme.
QIcon kindIcon(NodeKind kind) {
  static const QColor kColours[] = {QColor(0x2e, 0x6d, 0xb4), QColor(0x55, 0x55, 0x55),
                                    QColor(0xd9, 0x8c, 0x1f), QColor(0x3c, 0x9a, 0x4a),
                                    QColor(0xe0, 0xb0, 0x40), QColor(0x2f, 0x8f, 0x6f)};
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kColours[static_cast<int>(kind)].darker(140), 1));
  p.setBrush(kColours[static_cast<int>(kind)]);
  switch (kind) {
    case NodeKind::kUser:  // a person
      p.drawEllipse(QRectF(5, 1.5, 6, 6));
      p.drawRoundedRect(QRectF(2.5, 8.5, 11, 6), 3, 3);
      break;
    case NodeKind::kSystem:  // a server box
      p.drawRect(QRectF(3.5, 1.5, 9, 13));
      p.setPen(Qt::white);
      p.drawLine(5, 5, 11, 5);
      p.drawLine(5, 8, 11, 8);
      break;
    case NodeKind::kOutbound:
    case NodeKind::kInbound:  // a folder
      p.drawRect(QRectF(1.5, 4.5, 13, 10));
      p.drawRect(QRectF(1.5, 2.5, 6, 2));
      break;
    case NodeKind::kNewsletter:  // an envelope
      p.drawRect(QRectF(1.5, 3.5, 13, 9));
      p.drawLine(QPointF(1.5, 3.5), QPointF(8, 9));
      p.drawLine(QPointF(14.5, 3.5), QPointF(8, 9));
      break;
    case NodeKind::kFilter: {  // a funnel
      const QPointF funnel[] = {{1.5, 2.5},  {14.5, 2.5}, {9.5, 8.5},
                                {9.5, 14.5}, {6.5, 13},   {6.5, 8.5}};
      p.drawPolygon(funnel, 6);
      break;
    }
  }
  return QIcon(pixmap);
}

}  // namespace

ProfileTree::ProfileTree(QWidget* parent) : QTreeWidget(parent) {
  setObjectName("TreeView1");
  setHeaderHidden(true);
  setColumnCount(1);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setExpandsOnDoubleClick(false);
  setContextMenuPolicy(Qt::NoContextMenu);
}

void ProfileTree::clearNodes() {
  m_byIndex.clear();
  clear();
}

void ProfileTree::showPlan(const TreePlan& plan) {
  clearNodes();
  for (const TreeNode& node : plan.nodes) {
    QTreeWidgetItem* item = node.parentPosition < 0
                                ? new QTreeWidgetItem(this)
                                : new QTreeWidgetItem(m_byIndex.at(node.parentPosition));
    item->setText(0, QString::fromStdString(node.title));
    item->setIcon(0, kindIcon(node.kind));
    item->setData(0, kIndexRole, node.index);
    m_byIndex.append(item);
  }
  expandAll();
}

QTreeWidgetItem* ProfileTree::nodeAt(int index) const {
  // Tree order need not be index order (a newsletter added later sits before the filters).
  if (index >= 1 && index <= m_byIndex.size() && indexOf(m_byIndex.at(index - 1)) == index) {
    return m_byIndex.at(index - 1);
  }
  for (QTreeWidgetItem* item : m_byIndex) {
    if (indexOf(item) == index) return item;
  }
  return nullptr;
}

int ProfileTree::indexOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kIndexRole).toInt() : 0;
}

int ProfileTree::nodeCount() const {
  return static_cast<int>(m_byIndex.size());
}

bool ProfileTree::selectIndex(int index) {
  QTreeWidgetItem* item = nodeAt(index);
  if (!item) return false;
  QSignalBlocker block(this);
  setCurrentItem(item);
  return true;
}

void ProfileTree::renameNodeAt(int index, const QString& newTitle) {
  if (QTreeWidgetItem* item = nodeAt(index)) item->setText(0, newTitle);
}

void ProfileTree::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  QTreeWidgetItem* item = itemAt(event->position().toPoint());
  // The expand arrows keep working; they change no node.
  if (item && event->button() == Qt::LeftButton &&
      event->position().x() < visualItemRect(item).left()) {
    QTreeWidget::mousePressEvent(event);
    return;
  }
  emit nodeRequested(indexOf(item));
}

void ProfileTree::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    emit menuRequested(event->globalPosition().toPoint());
    return;
  }
  QTreeWidget::mouseReleaseEvent(event);
}

void ProfileTree::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
}

void ProfileTree::keyPressEvent(QKeyEvent* event) {
  QTreeWidgetItem* before = currentItem();
  {
    QSignalBlocker block(this);
    QTreeWidget::keyPressEvent(event);
  }
  QTreeWidgetItem* after = currentItem();
  if (after == before) return;
  {
    QSignalBlocker block(this);
    setCurrentItem(before);
  }
  emit nodeRequested(indexOf(after));
}

}  // namespace tidewell::app
