#pragma once
// The web kit of a profile: its configuration (the list address, each filter's title, opt-out
// value and subject keywords, the allowed redirect pages, the kit's sender address and secret),
// writing the kit into a folder for upload, and the kit address check. Stateless.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "store/filter_record.h"
#include "store/password_cipher.h"
#include "store/profile_document.h"
#include "store/profile_store.h"

namespace tidewell::editor {

struct WebKitFilter {
  std::string title;
  std::string optout;
  std::vector<std::string> subjects;  // a filter without Subject rules: one empty subject
  bool confirm = true;                // the kit's page asks the visitor to check their mailbox
};

struct WebKitConfig {
  std::string secret;
  std::string listAddress;
  std::string sender;
  std::vector<WebKitFilter> filters;
  std::vector<std::string> redirects;
  bool passIp = true;  // sign-ups carry the visitor's IP address for the consent record
};

// Why the text is no kit address (empty text is none: no kit); nothing when it is one. A kit
// address is https://host/folder/ (http:// only for this machine, for trying it out).
std::optional<std::string> webKitAddressProblem(std::string_view address);

// The caption and text shown when a form or link is asked for before the kit address is set.
inline constexpr std::string_view kNoWebKitCaption = "Web Kit Address Missing";
inline constexpr std::string_view kNoWebKitText =
    "Enter the address of your web kit (the folder of your web site that holds email.php and "
    "o.php, for example https://www.example.com/list/) in the Filters panel first, then write "
    "the kit with Tools > Web Kit... and upload it.";

// The kit secret of the profile, made and stored enciphered (under the date of today) when
// the profile has none yet. Empty when it could not be stored.
std::string webKitSecret(store::ProfileStore& profile, store::PasswordCipher& cipher,
                         const std::string& today);

WebKitConfig webKitConfigOf(const store::ProfileDocument& profile,
                            const std::vector<store::FilterRecord>& filters, std::string secret);

// config.php: a PHP file that returns the configuration as an array.
std::string webKitConfigPhp(const WebKitConfig& config, std::string_view profileTitle);

// Writes the pages and config.php into folder (made when missing); the reason when it failed.
// The pages are 0644 and the folder 0755, so a web server that runs PHP as another user can
// read them; config.php, which holds the secret, is 0640 (the manual says what to do on hosts
// where the web server is neither the owner nor in the group).
std::optional<std::string> writeWebKit(const std::filesystem::path& folder,
                                       const std::string& configPhp);

// How to put the written kit on the web site, in one paragraph.
std::string webKitUploadText(const std::filesystem::path& folder, std::string_view kitAddress);

// The kit of the open profile written into folder: its secret made on first use, then pages
// and configuration. On success the secret (for the settings in memory) and the upload text;
// otherwise the reason (no or a wrong kit address, the secret not stored, a file not written).
struct WrittenWebKit {
  std::string secret;
  std::string uploadText;
  std::optional<std::string> problem;
};
WrittenWebKit writeProfileWebKit(store::ProfileStore& profile, store::PasswordCipher& cipher,
                                 const std::string& today, const std::filesystem::path& folder);

// The profile's kit address, or the reason there is none usable.
struct KitAddress {
  std::string address;
  std::optional<std::string> problem;
};
KitAddress kitAddressOf(const store::ProfileDocument& profile);

}  // namespace tidewell::editor
