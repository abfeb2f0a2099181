#include "store/oauth_account.h"

#include "store/text.h"

namespace tidewell::store {

namespace {

constexpr OAuthPreset kPresets[] = {
    {"Google", "https://accounts.google.com/o/oauth2/v2/auth",
     "https://oauth2.googleapis.com/token", "https://mail.google.com/", "https://mail.google.com/",
     "access_type=offline&prompt=consent"},
    {"Microsoft 365", "https://login.microsoftonline.com/common/oauth2/v2.0/authorize",
     "https://login.microsoftonline.com/common/oauth2/v2.0/token",
     "https://outlook.office.com/POP.AccessAsUser.All offline_access",
     "https://outlook.office.com/SMTP.Send offline_access", ""},
};

std::string keyOf(const std::string& acct, const char* name) {
  return acct + "_oauth_" + name;
}

}  // namespace

const OAuthPreset* oauthPreset(std::string_view provider) {
  for (const OAuthPreset& preset : kPresets)
    if (equalsIgnoreCase(preset.name, provider)) return &preset;
  return nullptr;
}

OAuthAccount readOAuthAccount(const ProfileDocument& d, const std::string& acct,
                              PasswordCipher& cipher, const std::filesystem::path& path) {
  auto text = [&](const char* name) {
    std::string value = d.get(kServerBlock, keyOf(acct, name));
    return value == kAbsent ? std::string() : value;
  };
  auto secret = [&](const char* name) {
    std::string stored = text(name);
    if (stored.empty()) return stored;
    return cipher.open({path, keyOf(acct, name)}, stored, text("date"));
  };
  OAuthAccount a;
  a.provider = text("provider");
  a.auth_url = text("auth_url");
  a.token_url = text("token_url");
  a.client_id = text("client_id");
  a.scopes = text("scopes");
  if (!text("mechanism").empty()) a.mechanism = text("mechanism");
  a.client_secret = secret("client_secret");
  a.refresh_token = secret("refresh_token");
  return a;
}

bool writeOAuthAccount(ProfileStore& profile, PasswordCipher& cipher, const std::string& acct,
                       const OAuthAccount& account, const std::string& today) {
  auto sealed = [&](const char* name, const std::string& value) {
    return cipher.seal({profile.path(), keyOf(acct, name)}, value, today);
  };
  // Sealed first (a keyring entry exists before the profile names it), then every key in one
  // write: a kill never leaves the secrets under a date they were not sealed with.
  const std::string clientSecret = sealed("client_secret", account.client_secret);
  const std::string refreshToken = sealed("refresh_token", account.refresh_token);
  return profile.change(Procedure{"UpdateFile"}, [&](ProfileDocument& d) {
    auto keyed = [&](const char* name, const std::string& value) {
      d.set(kServerBlock, keyOf(acct, name), value);
    };
    d.set(kServerBlock, acct + "auth", "oauth2");
    keyed("provider", account.provider);
    keyed("auth_url", account.auth_url);
    keyed("token_url", account.token_url);
    keyed("client_id", account.client_id);
    keyed("scopes", account.scopes);
    keyed("mechanism", account.mechanism);
    keyed("date", today);
    keyed("client_secret", clientSecret);
    keyed("refresh_token", refreshToken);
  });
}

}  // namespace tidewell::store
