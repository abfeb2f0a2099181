#pragma once
// Saves the refresh tokens a provider replaced during this process's log-ins into the open
// profile (as secrets, through the programs' cipher) and into its server settings, so the next
// start signs in with the token the provider still accepts. Caller's thread: the one that owns
// the profile and the settings, while no transfer reads them.
#include <string>

#include "store/campaign_properties.h"
#include "store/password_cipher.h"
#include "store/profile_store.h"

namespace tidewell::engine {

// How many accounts (pop, smtp) got a new refresh token; -1 when writing one failed.
int saveRotatedSignIns(store::ProfileStore& profile, store::PasswordCipher& cipher,
                       store::CampaignProperties& settings, const std::string& today);

}  // namespace tidewell::engine
