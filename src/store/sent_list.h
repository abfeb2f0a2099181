#pragma once
// A subscriber's sent list: "none", or the titles of the newsletters it received, each followed
// by "[\?]". Membership compares whole titles, so a title that merely contains another title does
// not count as the other. Stateless.
#include <string>
#include <string_view>

namespace tidewell::store {

inline constexpr std::string_view kSentListEnd = "[\\?]";
inline constexpr std::string_view kNothingSent = "none";

bool sentListHas(std::string_view sentList, std::string_view title);
// The list with title appended ("none" is replaced).
std::string withTitle(std::string_view sentList, std::string_view title);

}  // namespace tidewell::store
