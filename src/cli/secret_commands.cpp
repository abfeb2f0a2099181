// Secret commands: set-password and sign-in. Secrets never travel on the command line and are
// never printed.

#include <iostream>

#include "cli/commands.h"
#include "cli/secret_input.h"
#include "mail/oauth_sign_in.h"
#include "store/date_text.h"
#include "store/keyring_password_cipher.h"
#include "store/oauth_account.h"
#include "store/profile_document.h"
#include "store/text.h"

namespace tidewell::cli {

namespace {

// A stored password and the block 1 date it is enciphered under.
struct PasswordKeys {
  const char* key;
  const char* dateKey;
};

PasswordKeys passwordKeysOf(const std::string& account) {
  if (account == "pop3") return {"pass", "date"};
  if (account == "smtp") return {"smtp_password", "date2"};
  throw UsageError("set-password takes pop3 or smtp: " + account);
}

void refuseUnusedSmtpPassword(const store::ProfileStore& profile) {
  if (profile.GetFromFile_new(store::kServerBlock, "ServerAuthentication") == "2") return;
  throw CommandFailed(
      "The SMTP server logs in with the POP3 account or not at all (ServerAuthentication is "
      "not 2): set the POP3 password with set-password pop3, or set ServerAuthentication 2 and "
      "smtp_account first");
}

int setPassword(CliContext& context, const Arguments& args) {
  args.expect(1, {});
  const std::string account = args.at(0, "pop3|smtp");
  const PasswordKeys keys = passwordKeysOf(account);
  store::ProfileStore profile = context.profileStore();
  if (account == "smtp") refuseUnusedSmtpPassword(profile);
  auto password = readSecret("New " + account + " password");
  if (!password) throw CommandFailed("No password read: the two entries differ or input ended");
  const std::string today = store::shortDateText(context.trap().clock().today());
  const std::string stored = context.cipher().seal({profile.path(), keys.key}, *password, today);
  if (!password->empty() && stored.empty()) return 1;
  bool ok = profile.UpdateFile_new(store::kServerBlock, keys.key, stored);
  ok = profile.UpdateFile_new(store::kUserBlock, keys.dateKey, today) && ok;
  if (!ok) return 1;
  // A keyring that was not available has been reported; the password is saved all the same.
  std::cout << (stored == store::kKeyringReference ? "Saved in the keyring\n"
                                                   : "Saved enciphered in the profile\n");
  return 0;
}

std::string oauthPrefixOf(const std::string& account) {
  if (account == "pop3") return "pop";
  if (account == "smtp") return "smtp";
  throw UsageError("--account takes pop3 or smtp: " + account);
}

// The profile's sign-in settings of the account with the options given and the provider's
// preset for what is still empty.
store::OAuthAccount signInSettings(CliContext& context, store::ProfileStore& profile,
                                   const std::string& acct, const Arguments& args) {
  store::OAuthAccount a =
      store::readOAuthAccount(profile.load(), acct, context.cipher(), profile.path());
  auto take = [&](const char* option, std::string& field) {
    if (auto value = args.option(option)) field = *value;
  };
  const std::string before = a.provider;
  take("provider", a.provider);
  // Another provider's endpoints and scopes are no use with this one: its preset replaces them.
  if (!store::equalsIgnoreCase(a.provider, before)) {
    a.auth_url.clear();
    a.token_url.clear();
    a.scopes.clear();
  }
  take("auth-url", a.auth_url);
  take("token-url", a.token_url);
  take("client-id", a.client_id);
  take("scopes", a.scopes);
  take("mechanism", a.mechanism);
  if (a.mechanism != "XOAUTH2" && a.mechanism != "OAUTHBEARER")
    throw UsageError("--mechanism takes XOAUTH2 or OAUTHBEARER: " + a.mechanism);
  if (const store::OAuthPreset* preset = store::oauthPreset(a.provider)) {
    if (a.auth_url.empty()) a.auth_url = preset->authUrl;
    if (a.token_url.empty()) a.token_url = preset->tokenUrl;
    if (a.scopes.empty()) a.scopes = acct == "pop" ? preset->popScopes : preset->smtpScopes;
  }
  if (auto secret = args.option("client-secret")) {
    if (*secret != "-")
      throw UsageError("--client-secret takes only -: the secret is then read like a password");
    auto typed = readSecret("Client secret");
    if (!typed) throw CommandFailed("No client secret read: the two entries differ or input ended");
    a.client_secret = *typed;
  }
  if (a.auth_url.empty() || a.token_url.empty() || a.client_id.empty())
    throw CommandFailed(
        "sign-in needs the authorization and token endpoints (--provider Google or \"Microsoft "
        "365\", or --auth-url and --token-url) and the application's --client-id");
  return a;
}

int signIn(CliContext& context, const Arguments& args) {
  args.expect(0, {"account", "provider", "auth-url", "token-url", "client-id", "client-secret",
                  "scopes", "mechanism", "timeout"});
  const std::string acct = oauthPrefixOf(args.required("account"));
  const int timeout = toInt(args.option("timeout").value_or("300"), "--timeout");
  store::ProfileStore profile = context.profileStore();
  store::OAuthAccount account = signInSettings(context, profile, acct, args);
  const store::OAuthPreset* preset = store::oauthPreset(account.provider);
  mail::SignInClient client;
  client.authUrl = account.auth_url;
  client.scopes = account.scopes;
  client.extraParams = preset ? std::string(preset->extraParams) : std::string();
  client.token.tokenUrl = account.token_url;
  client.token.clientId = account.client_id;
  client.token.clientSecret = account.client_secret;
  mail::LoopbackSignIn signIn(client);
  std::string error;
  if (!signIn.listen(error)) throw CommandFailed(error);
  std::cout << "Open this address in a web browser and sign in:\n"
            << signIn.authorizationUrl() << std::endl;
  mail::TokenFailure failure;
  auto grant = signIn.finish(timeout, failure);
  if (!grant) throw CommandFailed("The sign-in failed: " + failure.reason);
  account.refresh_token = grant->refreshToken;
  const std::string today = store::shortDateText(context.trap().clock().today());
  if (!store::writeOAuthAccount(profile, context.cipher(), acct, account, today)) return 1;
  std::cout << "Signed in: " << args.required("account") << " logs in with OAuth2\n";
  return 0;
}

}  // namespace

std::vector<Command> secretCommands() {
  return {
      {"set-password", "pop3|smtp  (reads the password from the terminal or standard input)",
       setPassword},
      {"sign-in",
       "--account pop3|smtp [--provider Google|\"Microsoft 365\"|Other] [--auth-url U "
       "--token-url U] [--client-id ID] [--client-secret -] [--scopes S] "
       "[--mechanism XOAUTH2|OAUTHBEARER] [--timeout SECONDS]",
       signIn},
  };
}

}  // namespace tidewell::cli
