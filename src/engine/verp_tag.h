#pragma once
// The tagged return path of a newsletter: the list address with "+b." and a tag made from the
// recipient's address, so that a failure report sent back to it names the recipient whatever
// the report says. The tag is the lower-case base32 of the first 10 bytes of the SHA-256 of the
// recipient's lower-case address (16 characters). Stateless.
#include <optional>
#include <string>
#include <string_view>

namespace tidewell::engine {

// "b." and 16 base32 characters.
std::string verpTag(std::string_view recipient);

// local-part + "+" + tag + "@" + domain of listAddress; listAddress itself when it has no "@".
std::string verpSender(std::string_view listAddress, std::string_view recipient);

// The tag of a return path that is listAddress tagged (letter case ignored); nothing otherwise.
std::optional<std::string> tagOf(std::string_view returnPath, std::string_view listAddress);

}  // namespace tidewell::engine
