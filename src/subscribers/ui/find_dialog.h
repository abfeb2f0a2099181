#pragma once
// `frmFind`: searches the subscribers in table order within the grid's show filter, selecting
// each match's row and scrolling it to the top. Kept on top of the main window and not modal,
// so the grid stays usable; made once by the user panel; UI thread.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <functional>

#include "subscribers/subscriber_finder.h"
#include "subscribers/subscriber_grid.h"
#include "subscribers/ui/dialog_operator.h"

namespace tidewell::subscribers::ui {

class FindDialog : public QDialog {
  Q_OBJECT

 public:
  // showRow selects a grid row (from 1) and scrolls it to the top.
  FindDialog(store::OperatorInterface& window, QWidget* parent);

  void setGrid(SubscriberGrid* grid) { m_grid = grid; }
  void setShowRow(std::function<void(int row)> showRow) { m_showRow = std::move(showRow); }
  // Opening: the window comes up on top, the search text ready to type over.
  void open() override;
  // `Command1`: the next match; the record's position, when one was found.
  std::optional<store::Position> findNext();

 private:
  SubscriberGrid* m_grid = nullptr;
  std::function<void(int row)> m_showRow;
  DialogOperator m_operator;
  SubscriberFinder m_finder;
  QLineEdit* m_text;
  QCheckBox* m_fields;
};

}  // namespace tidewell::subscribers::ui
