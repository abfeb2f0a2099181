#pragma once
// How a profile comes to hold its blocks: the new-profile wizard's checks and its Finish, the
// new-filter and new-newsletter actions with their numbering, and the server port defaults.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/password_cipher.h"
#include "store/profile_store.h"
#include "store/settings_file.h"

namespace tidewell::store {

struct NewProfileFields {
  std::string title;     // txtProfile
  std::string email;     // txtEmail
  std::string reply;     // txtReply
  std::string pop3;      // txtPop
  std::string smtp;      // txtSMTP
  std::string account;   // txtAccount
  std::string password;  // txtPassword
  bool imap = false;     // the incoming server is read over IMAP rather than POP3
};

// Why the wizard will not go on: the message box text and caption, and the field to focus.
struct WizardRefusal {
  std::string message;
  std::string caption;
  std::string field;
};

// Headings of the wizard's five pages, first to last.
extern const std::vector<std::string> kWizardPageHeadings;

// The Next check of wizard page 1 to 4; nullopt when the page may be left.
std::optional<WizardRefusal> checkWizardPage(int page, const NewProfileFields& fields);

// The wizard's Finish: checks every page, refuses a title whose profile file already exists
// or that cannot name a file, writes the new profile into the program folder and remembers it
// in the settings file. The result holds the refusal, or the new profile's path when it was
// written; neither when writing failed (the trap has reported it).
struct CreateProfileResult {
  std::optional<WizardRefusal> refusal;
  std::optional<std::filesystem::path> profilePath;  // set when the profile was written
};
CreateProfileResult createProfile(const NewProfileFields& fields, SettingsFile& settings,
                                  PasswordCipher& cipher);

// The lines of a new profile before the wizard fills them in.
std::vector<std::string> newProfileSkeleton();

struct NewNode {
  int index = 0;
  std::string title;
};

// The creating actions of an open profile.
class ProfileModel {
 public:
  explicit ProfileModel(ProfileStore& store) : m_store(store) {}

  // Title of the Filters / Newsletters block, the parent of new filters / newsletters.
  std::string filtersTitle() const;
  std::string newslettersTitle() const;

  std::optional<NewNode> cmdNewInbound_Click(std::string_view parentTitle);
  std::optional<NewNode> cmdNewNewsletter_Click(std::string_view parentTitle);
  bool Set_Port_Defaults();

 private:
  ProfileStore& m_store;
};

// The property lines of a new filter's field table and extract keys.
std::string defaultFieldsValue();
std::string defaultExtractKeysValue();

}  // namespace tidewell::store
