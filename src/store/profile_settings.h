#pragma once
// What opening a profile reads from it (with the defaults of absent keys) and what closing it
// writes back. The main window holds the result for as long as the profile is open.

#include <cstdint>
#include <functional>
#include <string>

#include "store/campaign_properties.h"
#include "store/password_cipher.h"
#include "store/profile_store.h"
#include "store/settings_file.h"

namespace tidewell::store {

inline constexpr std::string_view kDefaultFieldDelimiter = "~";

struct ProfileSettings {
  std::string lastEmailId = "!";     // block 2 LastEmailId, kept as read
  bool deactivate = false;           // block 4 deactivate: bounce handling on
  std::string fieldDelimiter = "~";  // block 4 fielddelimiter
  bool deleteAfterDownload = false;  // block 2 delete
  // Block 3 totalemailssent and the sends of the journal not yet counted: the running total.
  std::int32_t totalEmailsSent = 0;
  CampaignProperties campaign;
};

// Reads the profile's settings. A missing field delimiter is written into the profile as "~";
// passwords are deciphered with the dates of block 1. Unreadable numbers keep their defaults
// and are logged.
ProfileSettings loadProfileSettings(ProfileStore& profile, PasswordCipher& cipher);

// The web kit's address and secret (deciphered under the date "webkitdate" of the Filters
// block) into c.
void readWebKit(const ProfileDocument& d, PasswordCipher& cipher, CampaignProperties& c);

struct ShutDownValues {
  std::string fieldDelimiter;
  std::string gridText;
};

// Closing a profile: renumber its blocks, save the subscribers, then write the grid columns
// into the settings file and the field delimiter into the profile. The counters need no
// writing: the save of the subscribers counts its sends.
void shutDownProfile(ProfileStore& profile, SettingsFile& settings, const ShutDownValues& values,
                     const std::function<void()>& saveSubscribers);

}  // namespace tidewell::store
