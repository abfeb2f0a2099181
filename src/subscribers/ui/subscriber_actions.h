#pragma once
// What the operator does to subscribers from the user panel: the grid's menu `tvGrid` (find,
// edit, personal fields, toggle, delete, sign-up date, filter, forced send, the six columns),
// the header's column menu, "New Email" and the CSV import. Each entry runs the core rule on
// the selected rows and brings the grid up to date. Owned by the user panel; UI thread only.

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "consent/suppression_list.h"
#include "store/error_trap.h"
#include "store/subscriber_file.h"
#include "subscribers/forced_send_menu.h"
#include "subscribers/ui/find_dialog.h"
#include "subscribers/ui/load_csv_dialog.h"
#include "subscribers/ui/subscriber_grid_model.h"
#include "subscribers/ui/subscriber_grid_view.h"

namespace tidewell::subscribers::ui {

// What the window lends to the actions; every member may be empty.
struct SubscriberHooks {
  store::ErrorTrap* trap = nullptr;
  store::SubscriberFile* file = nullptr;
  // The grid's current column widths in twips, by grid column.
  std::function<std::vector<int>()> currentWidths;
  // After the grid's rows or columns were rebuilt: widths and the row count follow.
  std::function<void()> gridRebuilt;
  std::function<std::vector<NewsletterEntry>()> newsletters;
  // Sends the newsletter of this block index to these subscribers now, with progress.
  std::function<void(const std::vector<store::Position>&, int blockIndex)> forcedSend;
  std::function<std::string()> fieldDelimiter;
  // The titles of the filter's follow-ups due at once for a subscriber signing up today.
  std::function<std::vector<std::string>(const std::string& filterTitle)> dueAtSignUp;
  // Shows the newsletter of this block index as the subscriber will get it.
  std::function<void(store::Position, int blockIndex)> preview;
};

class SubscriberActions : public QObject {
  Q_OBJECT

 public:
  SubscriberActions(SubscriberGridView* view, SubscriberGridModel* model, QWidget* window);

  void setHooks(SubscriberHooks hooks) { m_hooks = std::move(hooks); }
  // While a check cycle runs, entries that change subscribers are switched off.
  void setBusy(bool busy) { m_busy = busy; }
  bool busy() const { return m_busy; }

  // `tvGrid` as it stands now (the submenus are built afresh each time).
  std::unique_ptr<QMenu> gridMenu();
  // The six column items with their check marks.
  std::unique_ptr<QMenu> columnMenu();
  FindDialog* findDialog() const { return m_find; }
  LoadCsvDialog* loadCsvDialog() const { return m_csv; }

  void mnuFind();
  void mnuEdit();
  void mnuViewPMF();
  void mnuToggle();
  void tvDeleteEmail();
  void mnuSignUpMod();
  void mnuLevel2(const std::string& filterTitle);
  void mnuForcedSend2(int blockIndex);
  void mnuPreview2(int blockIndex);
  void toggleColumn(std::size_t entry);
  // A person's address: never mailed again, their data exported, or erased on request.
  void mnuNeverMail();
  void mnuExportPerson(const QString& file = {});
  void mnuErasePerson();
  // The user panel's buttons.
  void newEmail();
  void Commandt_Click();

 private:
  SubscriberGrid* grid() const { return m_model->grid(); }
  // The record of the current row, when a row action may run.
  std::optional<store::Position> currentRecord() const;
  void addColumnItems(QMenu* menu);
  void addAssignMenu(QMenu* menu);
  void addForcedSendMenu(QMenu* menu);
  void addPersonItems(QMenu* menu);
  // The addresses of the selected rows, each once.
  std::vector<std::string> selectedAddresses() const;
  // The profile's file beside which the hygiene files live; empty without a subscriber file.
  std::filesystem::path profilePath() const;
  consent::SuppressionList suppressionList() const;
  void addPreviewMenu(QMenu* menu);
  // The grid's rows were rebuilt: the view follows and the top row comes back.
  void rowsRebuilt(int topRow);
  // loadgrid, then the same.
  void reloadGrid(int topRow);

  SubscriberGridView* m_view;
  SubscriberGridModel* m_model;
  QPointer<QWidget> m_window;
  SubscriberHooks m_hooks;
  FindDialog* m_find = nullptr;
  LoadCsvDialog* m_csv = nullptr;
  bool m_busy = false;
};

}  // namespace tidewell::subscribers::ui
