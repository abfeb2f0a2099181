#include "store/address_check.h"

namespace tidewell::store {

namespace {

// Characters that end an address in a header or break an SMTP envelope when left unquoted.
std::optional<std::string> unquotedCharacterProblem(char c) {
  auto byte = static_cast<unsigned char>(c);
  if (byte < 0x20 || byte == 0x7F) return "holds a control character";
  if (c == ' ') return "holds a blank";
  if (c == '<' || c == '>' || c == ',' || c == '"') return std::string("holds \"") + c + "\"";
  return std::nullopt;
}

std::optional<std::string> unquotedTextProblem(std::string_view text) {
  for (char c : text) {
    if (auto problem = unquotedCharacterProblem(c)) return problem;
  }
  return std::nullopt;
}

// The length of a quoted local part from its opening quote to its closing one, or the problem.
// Inside the quotes anything but a control character may stand, a backslash quoting the next.
std::optional<std::string> quotedLocalPart(std::string_view address, std::size_t& length) {
  auto control = [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  };
  for (std::size_t i = 1; i < address.size(); ++i) {
    if (control(address[i])) return "holds a control character";
    if (address[i] == '\\') {
      // A backslash quotes the next character, but never a control character.
      if (++i < address.size() && control(address[i])) return "holds a control character";
    } else if (address[i] == '"') {
      length = i + 1;
      return std::nullopt;
    }
  }
  return "holds an unclosed quote";
}

std::optional<std::string> domainProblem(std::string_view domain) {
  if (domain.empty()) return "has nothing after the \"@\"";
  if (domain.find('@') != std::string_view::npos) return "holds more than one \"@\"";
  if (auto problem = unquotedTextProblem(domain)) return problem;
  if (domain.find('.') == std::string_view::npos) return "has a domain without a dot";
  if (domain.front() == '.' || domain.back() == '.' ||
      domain.find("..") != std::string_view::npos) {
    return "has an empty part in its domain";
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> addressProblem(std::string_view address) {
  if (address.empty()) return "is empty";
  std::size_t localLength = 0;
  if (address.front() == '"') {
    if (auto problem = quotedLocalPart(address, localLength)) return problem;
    if (localLength == address.size() || address[localLength] != '@') {
      return address.find('@', localLength) == std::string_view::npos
                 ? "has no \"@\""
                 : "holds text between the quoted local part and the \"@\"";
    }
  } else {
    localLength = address.find('@');
    if (localLength == std::string_view::npos) {
      if (auto problem = unquotedTextProblem(address)) return problem;
      return "has no \"@\"";
    }
    if (localLength == 0) return "has nothing before the \"@\"";
    if (auto problem = unquotedTextProblem(address.substr(0, localLength))) return problem;
  }
  return domainProblem(address.substr(localLength + 1));
}

std::optional<std::string> invalidAddressReason(std::string_view address) {
  std::optional<std::string> problem = addressProblem(address);
  if (!problem) return std::nullopt;
  constexpr std::size_t kShown = 200;
  std::string shown;
  for (char c : address.substr(0, kShown)) {
    auto byte = static_cast<unsigned char>(c);
    shown += byte < 0x20 || byte == 0x7F ? '?' : c;
  }
  if (address.size() > kShown) shown += "...";
  return std::string(kInvalidAddressMessage) + " \"" + shown + "\" " + *problem;
}

}  // namespace tidewell::store
