#include "cipher/password_cipher.h"

#include <array>
#include <optional>
#include <string_view>

#include "cipher/crypt_text.h"
#include "store/date_text.h"
#include "store/error.h"

namespace tidewell::cipher {

namespace {

// Key material: changing any entry makes every stored password unreadable.
constexpr std::string_view kKeyTable = "Q7M2XKD9RWF4TZ8HVN3BLC6YPJ5";
// Offsets of key positions 1 to 8; position 5 has none and repeats position 4.
constexpr std::array<int, 8> kOffsets = {1187, 604, 1733, 389, 0, 1429, 868, 1853};
constexpr std::size_t kRepeatedPosition = 4;  // zero-based index of position 5

// The smallest seed of a date from 1900 on (1/1/1900).
constexpr int kSmallestModernSeed = 1 + 1 + 1900;

constexpr bool keyMaterialIsSound() {
  if (kKeyTable.size() != 27) return false;
  for (std::size_t i = 0; i < kKeyTable.size(); ++i) {
    char c = kKeyTable[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    if (kKeyTable.find(c, i + 1) != std::string_view::npos) return false;
  }
  for (std::size_t p = 0; p < kOffsets.size(); ++p) {
    if (p == kRepeatedPosition) continue;
    if (kOffsets[p] < 100 || kOffsets[p] >= kSmallestModernSeed) return false;
    // Equal residues would make two positions carry the same character for every seed.
    for (std::size_t q = p + 1; q < kOffsets.size(); ++q) {
      if (q != kRepeatedPosition && kOffsets[p] % 27 == kOffsets[q] % 27) return false;
    }
  }
  return true;
}
static_assert(keyMaterialIsSound());

std::int32_t seedOf(const std::string& dateText) {
  auto date = store::parseDate(dateText);
  if (!date) store::raise(store::kTypeMismatch, "Cannot read the date \"" + dateText + "\"");
  return date->day + date->month + date->year;
}

}  // namespace

std::string f_encode_date(store::ErrorTrap& trap, std::int32_t seed) {
  return trap.run(store::Procedure{"f_encode_date"}, std::string{}, [&] {
    std::string key;
    std::int64_t v = 0;
    for (std::size_t p = 0; p < kOffsets.size(); ++p) {
      if (p != kRepeatedPosition) v = std::int64_t{seed} - kOffsets[p];
      if (v < 1) {
        store::raise(store::kBadArgument,
                     "The seed " + std::to_string(seed) + " is too small to build a key");
      }
      if (v > 27) v = (v - 1) % 27 + 1;
      key += kKeyTable[static_cast<std::size_t>(v - 1)];
    }
    return key;
  });
}

std::string f_encrypt(store::ErrorTrap& trap, const std::string& text,
                      const std::string& dateText) {
  return trap.run(store::Procedure{"f_encrypt"}, std::string{}, [&] {
    std::string key = f_encode_date(trap, seedOf(dateText));
    if (key.empty() || text.empty()) return std::string{};
    return TextToHex(EncryptText(trap, text, key));
  });
}

std::string f_decrypt(store::ErrorTrap& trap, const std::string& stored,
                      const std::string& dateText) {
  return trap.run(store::Procedure{"f_decrypt"}, std::string{}, [&] {
    std::string key = f_encode_date(trap, seedOf(dateText));
    if (key.empty()) return std::string{};
    std::optional<std::string> bytes = HexToText(stored);
    if (!bytes) store::raise(store::kBadFormat, "The stored password is not hexadecimal text");
    return DecryptText(trap, *bytes, key);
  });
}

}  // namespace tidewell::cipher
