// Secret commands: set-password. Secrets never travel on the command line and are never
// printed.

#include <iostream>

#include "cli/commands.h"
#include "cli/secret_input.h"
#include "store/date_text.h"
#include "store/keyring_password_cipher.h"
#include "store/profile_document.h"

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

}  // namespace

std::vector<Command> secretCommands() {
  return {
      {"set-password", "pop3|smtp  (reads the password from the terminal or standard input)",
       setPassword},
  };
}

}  // namespace tidewell::cli
