#pragma once
// `frmNewEmail`: adds one subscriber by hand (address, name and one of the filters that have an
// opt-in code); "OK" keeps the dialog open with a message until the checks pass. Modal, made by
// the user panel for one use; UI thread.

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>

#include "consent/suppression_list.h"
#include "store/error_trap.h"
#include "store/subscriber_table.h"

namespace tidewell::subscribers::ui {

class NewEmailDialog : public QDialog {
  Q_OBJECT

 public:
  NewEmailDialog(store::ErrorTrap& trap, store::SubscriberTable& table, QWidget* parent);

  // "New Email": tells why it cannot open, or shows the dialog. True when a subscriber was added.
  // Addresses on the suppression list are refused.
  static bool run(store::ErrorTrap& trap, store::SubscriberTable& table, QWidget* parent,
                  const consent::SuppressionList& suppressed = {});

 private:
  void ok();

  store::ErrorTrap& m_trap;
  store::SubscriberTable& m_table;
  consent::SuppressionList m_suppressed;
  QLineEdit* m_address;
  QLineEdit* m_name;
  QComboBox* m_filter;
};

}  // namespace tidewell::subscribers::ui
