#pragma once
// A main window open on a profile with filters, newsletters and subscribers, for the window
// tests: rows of the subscriber grid are chosen with the mouse as an operator would, and mail
// goes to an in-memory server.

#include <QAbstractItemModel>
#include <QMenu>
#include <QTest>
#include <memory>

#include "app_fixture.h"
#include "mail/fake_mail_server.h"
#include "main_window.h"
#include "modal_script.h"
#include "store/subscriber_file.h"
#include "subscribers/ui/subscriber_grid_view.h"

class QLineEdit;

namespace tidewell::testing {

// "Ann" gives ann@x.org, named "Ann Lee", signed up 11/20/2026, active, in Filter_1.
store::SubscriberData person(const std::string& first, const std::string& filter = "Filter_1",
                             const std::string& active = "true");

// The texts of a column of the model, row by row.
QStringList columnTexts(const QAbstractItemModel& model, int column);

struct SubscriberWindow {
  ProgramFolder program;
  mail::FakeMailServer server;
  std::filesystem::path profile = program.createProfile();
  std::vector<int> nodes;
  std::unique_ptr<app::MainWindow> window;
  QStringList statuses;  // every status text shown

  // Filters ('f') and newsletters ('n') in this order; Filter_1 gets the opt-in code "join".
  explicit SubscriberWindow(const std::string& kinds = "ffn");
  void writeSubscribers(const std::vector<store::SubscriberData>& records) {
    program.writeSubscribers(profile, records);
  }
  // A key of the profile's block, read or written in the file.
  std::string get(int index, const char* key);
  void set(int index, const char* key, const std::string& value);
  // The newsletter sends `letter` as "Welcome" to Filter_1.
  void sendLetter(int newsletter, const std::filesystem::path& letter);
  // Opens the profile in a new window, which is not shown.
  void load();
  // Opens, shows and activates the window; its check timers are stopped.
  void open();

  app::UserPanel* panel() const { return window->userPanel(); }
  subscribers::ui::SubscriberGridView* view() const { return panel()->gridView(); }
  store::SubscriberTable& table() const { return window->session()->table(); }
  QAction* action(const char* name) const { return window->findChild<QAction*>(name); }
  // Clicks row (from 1), then Shift-clicks otherEnd: a selection made downwards or upwards.
  void select(int row, int otherEnd) const;
  QPoint rowCentre(int row) const;
  QStringList column(int c) const { return columnTexts(*view()->model(), c); }
  QStringList emails() const { return column(1); }
  // Types over the box's text in the active window as an operator would.
  void type(QLineEdit* box, const QString& text) const;
};

// How the operator opens the grid's menu.
enum class MenuWay { kRightButton, kMenuKey, kShiftF10 };
void openGridMenu(const SubscriberWindow& w, MenuWay way, int atRow);

// A script step: the open menu `name` chooses its entry (the first with that object name, or
// the one with that text as well).
ModalScript::Step chooseEntry(const QString& menuName, const QString& entry,
                              const QString& text = {});

}  // namespace tidewell::testing
