#pragma once
// The desktop's keyring as the programs' secret store: the Secret Service (GNOME Keyring,
// KWallet, KeePassXC) over D-Bus through libsecret, entries under the service "Tidewell".
// Null when the program was built without libsecret. Whether a keyring actually runs shows at
// the first call.

#include <memory>

#include "store/secret_store.h"

namespace tidewell::cipher {

inline constexpr const char* kKeyringService = "Tidewell";

std::unique_ptr<store::SecretStore> systemKeyring();

}  // namespace tidewell::cipher
