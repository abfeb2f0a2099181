#pragma once
// What the desktop tests share: a program folder with its settings file, trap and cipher, a
// way to write profiles into it, and the test classes of the test program.

class QWidget;

#include <QObject>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cipher/dated_password_cipher.h"
#include "store/profile_model.h"
#include "store/settings_file.h"
#include "store/subscriber_table.h"
#include "support/test_support.h"

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
  // Saves the records as the profile's subscriber file.
  void writeSubscribers(const std::filesystem::path& profile,
                        const std::vector<store::SubscriberData>& records);
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

}  // namespace tidewell::testing
