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
  auto keyed = [&](const char* name, const std::string& value) {
    return profile.UpdateFile_new(kServerBlock, keyOf(acct, name), value);
  };
  auto sealed = [&](const char* name, const std::string& value) {
    return cipher.seal({profile.path(), keyOf(acct, name)}, value, today);
  };
  bool ok = profile.UpdateFile_new(kServerBlock, acct + "auth", "oauth2");
  ok = keyed("provider", account.provider) && ok;
  ok = keyed("auth_url", account.auth_url) && ok;
  ok = keyed("token_url", account.token_url) && ok;
  ok = keyed("client_id", account.client_id) && ok;
  ok = keyed("scopes", account.scopes) && ok;
  ok = keyed("date", today) && ok;
  ok = keyed("client_secret", sealed("client_secret", account.client_secret)) && ok;
  return keyed("refresh_token", sealed("refresh_token", account.refresh_token)) && ok;
}

}  // namespace tidewell::store
