#pragma once
// The code a confirmation message carries, which a reply must hold in its subject to confirm
// the sign-up when there is no web kit, and the fingerprint of the text the person answered.
// Stateless; any thread.
#include <string>
#include <string_view>

namespace tidewell::consent {

// "TW-" and eight characters from the system's generator, free of look-alikes (0/O, 1/I/L).
std::string newConfirmationCode();
// Whether the subject holds the code, letter case ignored (a mail program may change it).
bool subjectHoldsCode(std::string_view subject, std::string_view code);
// Lower-case hex SHA-256 of the text.
std::string sha256Hex(std::string_view text);

}  // namespace tidewell::consent
