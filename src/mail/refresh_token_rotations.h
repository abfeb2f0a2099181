#pragma once
// Refresh tokens that a provider replaced in this process: some providers answer a refresh
// grant with a new refresh token and withdraw the old one. Mail clients holding the old one
// follow it to the newest, and a listener lets the program save the newest into the profile.
// Thread-safe; the listener runs on the thread that recorded the new token.
#include <functional>
#include <string>

namespace tidewell::mail {

class RefreshTokenRotations {
 public:
  static void record(const std::string& oldToken, const std::string& newToken);
  // The newest token that replaced token, or token itself when none did.
  static std::string newest(const std::string& token);
  // Called after every recorded replacement (it must not call back into this class); an empty
  // function removes it. Setting it waits
  // for a call in progress, so whatever the old listener used may go once this returns.
  static void setListener(std::function<void()> listener);
  // Stores a new refresh token durably: called on the recording thread after the listener and
  // before record returns, so before the token's access token logs in anywhere (a process
  // killed after that log-in must not have lost the only token the provider still accepts).
  // It may call newest. Setting it waits for a call in progress; an empty function removes it.
  static void setKeeper(std::function<void()> keeper);
  // Forgets every replacement (tests).
  static void forgetAll();
};

}  // namespace tidewell::mail
