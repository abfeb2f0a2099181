#include "engine/rotated_sign_ins.h"

#include "mail/refresh_token_rotations.h"
#include "store/oauth_account.h"

namespace tidewell::engine {

int saveRotatedSignIns(store::ProfileStore& profile, store::PasswordCipher& cipher,
                       store::CampaignProperties& settings, const std::string& today) {
  struct Account {
    const char* acct;
    bool used;
    store::OAuthAccount& oauth;
  };
  int saved = 0;
  bool ok = true;
  for (Account a : {Account{"pop", settings.pop_oauth2, settings.pop_oauth},
                    Account{"smtp", settings.smtp_oauth2, settings.smtp_oauth}}) {
    if (!a.used || a.oauth.refresh_token.empty()) continue;
    const std::string newest = mail::RefreshTokenRotations::newest(a.oauth.refresh_token);
    if (newest == a.oauth.refresh_token) continue;
    a.oauth.refresh_token = newest;
    // The whole account, so the client secret is sealed under the same date as the token.
    ok = store::writeOAuthAccount(profile, cipher, a.acct, a.oauth, today) && ok;
    ++saved;
  }
  return ok ? saved : -1;
}

}  // namespace tidewell::engine
