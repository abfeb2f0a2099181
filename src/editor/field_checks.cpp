#include "editor/field_checks.h"

#include <charconv>

#include "store/address_check.h"
#include "store/text.h"

namespace tidewell::editor {

std::optional<FieldRefusal> portRefusal(const std::string& text, const std::string& server) {
  std::string_view digits = store::trim(text);
  int port = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
  if (!digits.empty() && error == std::errc() && end == digits.data() + digits.size() &&
      port >= 1 && port <= 65535) {
    return std::nullopt;
  }
  return FieldRefusal{
      "The " + server + " port must be a whole number from 1 to 65535, not \"" + text + "\".",
      server + " Port"};
}

std::optional<FieldRefusal> addressRefusal(const std::string& text, const std::string& what) {
  std::optional<std::string> problem = store::addressProblem(text);
  if (!problem) return std::nullopt;
  return FieldRefusal{"\"" + text + "\" is not an e-mail address: it " + *problem + ".", what};
}

}  // namespace tidewell::editor
