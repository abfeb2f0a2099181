#pragma once
// An account's OAuth2 sign-in in the profile (block 2): "popauth" / "smtpauth" say "oauth2",
// the keys "<acct>_oauth_..." (acct pop or smtp) hold the endpoints, the client and the scopes,
// and the client secret and refresh token are kept as secrets (enciphered under
// "<acct>_oauth_date" when no keyring keeps them). Also the providers' presets.
#include <filesystem>
#include <string>
#include <string_view>

#include "store/campaign_properties.h"
#include "store/password_cipher.h"
#include "store/profile_document.h"
#include "store/profile_store.h"

namespace tidewell::store {

struct OAuthPreset {
  std::string_view name;
  std::string_view authUrl;
  std::string_view tokenUrl;
  std::string_view popScopes;
  std::string_view smtpScopes;
  std::string_view extraParams;  // what the authorization URL needs for a refresh token
};

// The preset of a provider name ("Google", "Microsoft 365"); null for "Other" or unknown.
const OAuthPreset* oauthPreset(std::string_view provider);

// "pop" or "smtp": the key prefix of the POP3 or SMTP account.
OAuthAccount readOAuthAccount(const ProfileDocument& d, const std::string& acct,
                              PasswordCipher& cipher, const std::filesystem::path& path);

// Writes the account's keys and secrets and switches the account to OAuth2 log-in.
bool writeOAuthAccount(ProfileStore& profile, PasswordCipher& cipher, const std::string& acct,
                       const OAuthAccount& account, const std::string& today);

}  // namespace tidewell::store
