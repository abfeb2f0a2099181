// The Secret Service through libsecret's synchronous calls: no event loop is needed, so the
// window and tidewell-cli use the same code.
#include <libsecret/secret.h>

#include <cstdlib>
#include <filesystem>

#include "cipher/system_keyring.h"

namespace tidewell::cipher {

namespace {

const SecretSchema* tidewellSchema() {
  static const SecretSchema schema = {"org.tidewell.Secret",
                                      SECRET_SCHEMA_DONT_MATCH_NAME,
                                      {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                      0,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr};
  return &schema;
}

// Takes the message of a GError and frees it; true when there was none.
bool noError(GError* failure, std::string& error) {
  if (!failure) return true;
  error = failure->message ? failure->message : "unknown keyring error";
  g_error_free(failure);
  return false;
}

// Whether a session bus is there to ask. Without one GLib would start a bus of its own for the
// X display (autolaunch), whose fresh keyring then waits for an unlock prompt nobody answers: a
// program run from an ssh -X login or a cron job with DISPLAY set would hang.
bool sessionBusReachable(std::string& error) {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address && *address) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code ignored;
  if (runtime && *runtime &&
      std::filesystem::exists(std::filesystem::path(runtime) / "bus", ignored))
    return true;
  error = "no D-Bus session bus is running";
  return false;
}

class SecretServiceKeyring : public store::SecretStore {
 public:
  std::optional<std::string> read(const std::string& account, std::string& error) override {
    if (!sessionBusReachable(error)) return std::nullopt;
    GError* failure = nullptr;
    gchar* secret =
        secret_password_lookup_sync(tidewellSchema(), nullptr, &failure, "service", kKeyringService,
                                    "account", account.c_str(), nullptr);
    if (!noError(failure, error) || !secret) return std::nullopt;
    std::string value(secret);
    secret_password_free(secret);
    return value;
  }

  bool write(const std::string& account, const std::string& secret, std::string& error) override {
    if (!sessionBusReachable(error)) return false;
    GError* failure = nullptr;
    const std::string label = std::string(kKeyringService) + ": " + account;
    const gboolean stored = secret_password_store_sync(
        tidewellSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(), secret.c_str(), nullptr,
        &failure, "service", kKeyringService, "account", account.c_str(), nullptr);
    return noError(failure, error) && stored;
  }

  bool remove(const std::string& account, std::string& error) override {
    if (!sessionBusReachable(error)) return false;
    GError* failure = nullptr;
    secret_password_clear_sync(tidewellSchema(), nullptr, &failure, "service", kKeyringService,
                               "account", account.c_str(), nullptr);
    return noError(failure, error);
  }

  ~SecretServiceKeyring() override { secret_service_disconnect(); }
};

}  // namespace

std::unique_ptr<store::SecretStore> systemKeyring() {
  return std::make_unique<SecretServiceKeyring>();
}

}  // namespace tidewell::cipher
