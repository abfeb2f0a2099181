#pragma once
// Profile settings that hold a whole number within a range (the sending caps, the number of
// connections, the catch-up days), as an edit box shows and writes them: absent shows as
// empty, empty is written as empty (no value), anything else must be a number in the range.
// Stateless.
#include <string>
#include <string_view>

#include "store/profile_store.h"

namespace tidewell::editor {

struct WholeNumberKey {
  int block;
  const char* key;
  int minimum;
  int maximum;
};

inline constexpr WholeNumberKey kCapPerMinute{2, "capminute", 0, 1000000};
inline constexpr WholeNumberKey kCapPerHour{2, "caphour", 0, 1000000};
inline constexpr WholeNumberKey kCapPerDay{2, "capday", 0, 10000000};
inline constexpr WholeNumberKey kConnections{2, "connections", 1, 8};
inline constexpr WholeNumberKey kCatchUpDays{3, "catchup", 0, 3650};

// The text for the edit box: the stored value, or empty when the key is absent.
std::string shownWholeNumber(const store::ProfileStore& profile, const WholeNumberKey& key);
// True when the text (blanks around it ignored) is empty or a number in the key's range.
bool acceptableWholeNumber(const WholeNumberKey& key, std::string_view text);
// Writes an acceptable text (trimmed); false, and nothing written, for any other.
bool writeWholeNumber(store::ProfileStore& profile, const WholeNumberKey& key,
                      std::string_view text);

}  // namespace tidewell::editor
