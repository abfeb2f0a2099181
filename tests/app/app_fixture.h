#pragma once
// What the desktop tests share: a program folder with its settings file, trap and cipher, a
// way to write profiles into it, a main window open on a profile with filters, newsletters and
// subscribers (rows of its grid chosen with the mouse as an operator would, mail going to an
// in-memory server), and the test classes of the test program.

#include <QAbstractItemModel>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cipher/dated_password_cipher.h"
#include "mail/fake_mail_server.h"
#include "main_window.h"
#include "modal_script.h"
#include "store/profile_model.h"
#include "store/settings_file.h"
#include "store/subscriber_file.h"
#include "store/subscriber_table.h"
#include "subscribers/ui/subscriber_grid_view.h"
#include "support/test_support.h"

class QLineEdit;

namespace tidewell::testing {

// A temporary program folder with what the store needs to work in it; one per test.
struct ProgramFolder {
  TempFolder folder;
  RecordingOperator ui;
  store::SystemClock clock;
  store::ErrorTrap trap{folder.path(), ui, clock};
  cipher::DatedPasswordCipher cipher{trap};
  store::SettingsFile settings{folder.path(), trap};

  std::filesystem::path path() const { return folder.path(); }
  // A key of the settings file's program block.
  std::string setting(const char* key);
  // A new profile remembered in the settings file as the one to open.
  std::filesystem::path createProfile(const std::string& title = "Gold");
  // Adds filters and newsletters in this order ('f' or 'n'); returns their indexes.
  std::vector<int> addNodes(const std::filesystem::path& profile, const std::string& kinds);
};

void writeLines(const std::filesystem::path& path, const std::vector<std::string>& lines);

// Types the fields into the new-profile wizard's boxes.
void fillWizard(QWidget* wizard, const store::NewProfileFields& fields = goldFields());

// The test classes of the test program by name; each test file adds its own.
std::map<std::string, std::function<std::unique_ptr<QObject>()>>& testClasses();
template <class T>
bool addTestClass(const char* name) {
  testClasses()[name] = [] { return std::make_unique<T>(); };
  return true;
}

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
  // Saves the records as the profile's subscriber file.
  void writeSubscribers(const std::vector<store::SubscriberData>& records);
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
  app::CycleDriver& cycle() const { return *window->cycleDriver(); }
  // The statuses from the last "Logging into Pop3..." on.
  QStringList lastCycle() const {
    qsizetype from = statuses.lastIndexOf("Logging into Pop3...");
    return from < 0 ? QStringList() : statuses.mid(from);
  }
  // Clicks row (from 1), then Shift-clicks otherEnd: a selection made downwards or upwards.
  void select(int row, int otherEnd) const;
  QPoint rowCentre(int row) const;
  QStringList column(int c) const { return columnTexts(*view()->model(), c); }
  QStringList emails() const { return column(1); }
  // Types over the box's text in the active window as an operator would.
  void type(QLineEdit* box, const QString& text) const;
};

// Runs act; returns "caption|text" of the message box it opened, answered with button.
QStringList boxesAfter(const std::function<void()>& act, int button = QMessageBox::Ok);

// How the operator opens the grid's menu.
enum class MenuWay { kRightButton, kMenuKey, kShiftF10 };
void openGridMenu(const SubscriberWindow& w, MenuWay way, int atRow);

// A script step: the open menu `name` chooses its entry (the first with that object name, or
// the one with that text as well).
ModalScript::Step chooseEntry(const QString& menuName, const QString& entry,
                              const QString& text = {});

}  // namespace tidewell::testing
