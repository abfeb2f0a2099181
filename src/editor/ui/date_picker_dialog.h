#pragma once
// frmDate: the modal date picker behind CallCalander. Opens on today; "OK" needs a day,
// "Cancel" answers no date.
#include <QDialog>
#include <optional>

#include "store/date_text.h"

class QCalendarWidget;

namespace tidewell::editor::ui {

class DatePickerDialog : public QDialog {
 public:
  DatePickerDialog(const store::Date& today, QWidget* parent);
  std::optional<store::Date> picked() const { return m_picked; }
  // The picker's answer; nullopt when it was cancelled.
  static std::optional<store::Date> pick(const store::Date& today, QWidget* parent);

 private:
  void confirm();

  QCalendarWidget* m_calendar;
  bool m_daySelected = true;
  std::optional<store::Date> m_picked;
};

}  // namespace tidewell::editor::ui
