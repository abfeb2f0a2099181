#pragma once
// The stored-password procedures: a mail password is kept in the profile file as hexadecimal
// text enciphered under a key built from the date stored beside it. No failure leaves them;
// each yields the empty string and one error-log line.

#include <cstdint>
#include <string>

#include "store/error_trap.h"

namespace tidewell::cipher {

// The eight-character key of a seed (day + month + year of a date); empty, with the error
// logged under "f_encode_date:", when the seed is too small to address the key table.
std::string f_encode_date(store::ErrorTrap& trap, std::int32_t seed);

// The stored form of text under the key of dateText; empty for the empty text or on failure.
std::string f_encrypt(store::ErrorTrap& trap, const std::string& text, const std::string& dateText);
// The text of a stored form under the key of dateText; empty on failure.
std::string f_decrypt(store::ErrorTrap& trap, const std::string& stored,
                      const std::string& dateText);

}  // namespace tidewell::cipher
