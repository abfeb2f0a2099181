#pragma once
// The web kit's opt-out token: proof that an opt-out for an address and list came from a link
// this profile sent, so nobody can switch another person off through the kit. Computed with the
// kit secret, the same way the kit's pages compute it. Stateless; any thread.
#include <string>
#include <string_view>

namespace tidewell::engine {

// The first 16 bytes of HMAC-SHA256 under the secret (64 hex digits: 32 bytes) of the
// lower-case address (ASCII letters folded), LF and the filter title, in base64url without padding
// (22 characters). Empty when the secret is not 64 hex digits.
std::string optOutToken(std::string_view secretHex, std::string_view address,
                        std::string_view filterTitle);

// Whether token is the address's token in that filter; compared in constant time.
bool optOutTokenValid(std::string_view secretHex, std::string_view address,
                      std::string_view filterTitle, std::string_view token);

// The token of the kit's confirmation link: the same HMAC over "confirm", LF, the lower-case
// address, LF and the filter title, so an opt-out token never confirms and the other way round.
std::string confirmationToken(std::string_view secretHex, std::string_view address,
                              std::string_view filterTitle);
bool confirmationTokenValid(std::string_view secretHex, std::string_view address,
                            std::string_view filterTitle, std::string_view token);

// A new kit secret: 32 random bytes from the system's generator, as 64 lower-case hex digits.
std::string newKitSecret();

}  // namespace tidewell::engine
