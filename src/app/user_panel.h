#pragma once
// The user node's panel (`frameUserProperties`): the profile's title (`txtUserName`, which also
// names the subscriber file), "Send/Recv", the subscriber grid with its show filter `Combo1`,
// row count and menus, the "New Email" and import (`Commandt`) buttons, and the sent counters.
// Owned by the main window's panel stack; UI thread only.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <memory>

#include "editor/ui/focus_edits.h"
#include "editor/ui/property_panel.h"
#include "store/settings_file.h"
#include "store/subscriber_file.h"
#include "subscribers/subscriber_grid.h"
#include "subscribers/ui/subscriber_actions.h"
#include "subscribers/ui/subscriber_grid_model.h"
#include "subscribers/ui/subscriber_grid_view.h"

namespace tidewell::app {

class UserPanel : public editor::ui::PropertyPanel {
  Q_OBJECT

 public:
  UserPanel(editor::ui::PanelServices services, QWidget* parent);
  ~UserPanel() override { m_focus->stop(); }

  void showBlock(int index) override;
  QString kindWord() const override { return QStringLiteral("user"); }

  // The open profile's grid, its file (saved before the show filter changes) and the settings
  // file the column widths go to; nullptr grid when no profile is open.
  void attach(subscribers::SubscriberGrid* grid, store::SubscriberFile* file,
              store::SettingsFile* settings);
  // LoadShow's list for Combo1; the shown filter stays chosen when the list still has it.
  void setShowList(const std::vector<std::string>& list);
  // loadgrid and lay the columns out again.
  void reloadGrid();
  // The rows were rebuilt elsewhere: only the view follows.
  void refreshGrid();
  // loadgrid after the table changed underneath (a cycle), scrolled back to where it was.
  void reloadGridKeepingTop();
  // What the grid's actions need from the main window (newsletters, forced send, delimiter);
  // the panel adds its own part.
  void setWindowHooks(subscribers::ui::SubscriberHooks hooks);
  // During a check cycle what would change the table is switched off; browsing goes on.
  void setCycleBusy(bool busy);
  void setSentCounters(std::int64_t sentToday, std::int64_t totalSent);
  // Widths of the shown columns in twips, by grid column.
  std::vector<int> currentWidths() const;

  void commitPendingEdit() override { m_focus->commitFocused(); }

  subscribers::ui::SubscriberGridView* gridView() const { return m_view; }
  subscribers::ui::SubscriberActions* actions() const { return m_actions; }
  subscribers::ui::SubscriberGridModel* gridModel() const { return m_model; }

 signals:
  // "Send/Recv" (`command99`): a check cycle at once.
  void sendReceiveRequested();
  // The profile's title, and with it the names of the files beside it, changed.
  void titleRenamed();

 private:
  void leaveTitle(const QString& text, const QString& oldText);
  void showFilterChosen(int position);
  void applyColumnWidths();
  void updateCount();
  void updateHooks();

  QLabel* m_caption;
  QLineEdit* m_title;
  QPushButton* m_sendRecv;
  editor::ui::FocusEdits* m_focus;
  QString m_storedTitle;
  QComboBox* m_showFilter;
  QLabel* m_count;
  QLabel* m_sentToday;
  QLabel* m_totalSent;
  QPushButton* m_newEmail;
  QPushButton* m_import;
  subscribers::ui::SubscriberGridView* m_view;
  subscribers::ui::SubscriberGridModel* m_model;
  subscribers::ui::SubscriberActions* m_actions;
  subscribers::ui::SubscriberHooks m_windowHooks;
  store::SubscriberFile* m_file = nullptr;
  store::SettingsFile* m_settings = nullptr;
  std::vector<std::string> m_showList;
  // Set while the program itself fills Combo1, so that no change is handled.
  bool m_rebuilding = false;
};

}  // namespace tidewell::app
