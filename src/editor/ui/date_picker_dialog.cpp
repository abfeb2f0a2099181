#include "editor/ui/date_picker_dialog.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tidewell::editor::ui {

DatePickerDialog::DatePickerDialog(const store::Date& today, QWidget* parent) : QDialog(parent) {
  setObjectName("frmDate");
  setWindowTitle("Select Date");
  m_calendar = new QCalendarWidget;
  m_calendar->setObjectName("MonthView1");
  m_calendar->setSelectedDate(QDate(today.year, today.month, today.day));
  auto* ok = new QPushButton("OK");
  ok->setObjectName("cmdOK");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel");
  cancel->setObjectName("cmdCancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_calendar);
  layout->addLayout(buttons);
  connect(m_calendar, &QCalendarWidget::clicked, this, [this] { m_daySelected = true; });
  connect(ok, &QPushButton::clicked, this, [this] { confirm(); });
  connect(cancel, &QPushButton::clicked, this, [this] {
    m_daySelected = false;
    m_picked.reset();
    reject();
  });
}

void DatePickerDialog::confirm() {
  QDate d = m_calendar->selectedDate();
  if (!m_daySelected || !d.isValid()) {
    QMessageBox::information(this, windowTitle(), "You have not selected a day!");
    return;
  }
  m_picked = store::Date{d.year(), d.month(), d.day()};
  accept();
}

std::optional<store::Date> DatePickerDialog::pick(const store::Date& today, QWidget* parent) {
  DatePickerDialog dialog(today, parent);
  dialog.exec();
  return dialog.result() == QDialog::Accepted ? dialog.picked() : std::nullopt;
}

}  // namespace tidewell::editor::ui
