#pragma once
// The text layer between the stored passwords and CRijndael: strings to bytes and back, and the
// hexadecimal coding of enciphered bytes in the profile file.

#include <optional>
#include <string>
#include <string_view>

#include "store/error_trap.h"

namespace tidewell::cipher {

// The enciphered bytes of text under password, one char per byte; empty on failure.
std::string EncryptText(store::ErrorTrap& trap, std::string_view text, std::string_view password);
// The text of bytes EncryptText made under password; empty on failure. Bytes that are not UTF-8
// were written on the old platform and are read as Windows-1252.
std::string DecryptText(store::ErrorTrap& trap, std::string_view bytes, std::string_view password);

// Two upper-case hexadecimal digits per byte, no separators.
std::string TextToHex(std::string_view bytes);
// The bytes of hexadecimal text, read two digits at a time; a final single digit is a byte by
// itself. Empty (no value) when a character is not a hexadecimal digit.
std::optional<std::string> HexToText(std::string_view hex);

}  // namespace tidewell::cipher
