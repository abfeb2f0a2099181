#pragma once
// frmFilterAdvanced: chooses the filter whose subscription of the same address ends when the
// address signs up to the edited filter. Modal; writes "autounsubscribe" when confirmed.
#include <QDialog>

#include "editor/filter_advanced_choices.h"

class QComboBox;

namespace tidewell::editor::ui {

class FilterAdvancedDialog : public QDialog {
 public:
  FilterAdvancedDialog(FilterAdvancedChoices choices, QWidget* parent);
  // The value to store, after the dialog was confirmed.
  std::string chosenValue() const;

 private:
  FilterAdvancedChoices m_choices;
  QComboBox* m_list;
};

}  // namespace tidewell::editor::ui
