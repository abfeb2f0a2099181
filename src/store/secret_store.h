#pragma once
// A place outside the profile where secrets can be kept: the desktop's keyring (a Secret
// Service). Entries are found by an account name; the service name is fixed by the
// implementation. Every call may fail when no keyring runs; the reason goes into error.

#include <optional>
#include <string>

namespace tidewell::store {

class SecretStore {
 public:
  virtual ~SecretStore() = default;
  // The secret kept for account; nullopt when there is none or the keyring failed (then error
  // is set).
  virtual std::optional<std::string> read(const std::string& account, std::string& error) = 0;
  virtual bool write(const std::string& account, const std::string& secret, std::string& error) = 0;
  // True also when there was no entry.
  virtual bool remove(const std::string& account, std::string& error) = 0;
};

}  // namespace tidewell::store
