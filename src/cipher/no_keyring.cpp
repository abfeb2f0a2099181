// Built in place of the Secret Service client when libsecret is missing: secrets stay
// enciphered in the profile.
#include "cipher/system_keyring.h"

namespace tidewell::cipher {

std::unique_ptr<store::SecretStore> systemKeyring() {
  return nullptr;
}

}  // namespace tidewell::cipher
