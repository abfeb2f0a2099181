#include "engine/kit_messages.h"

#include "engine/field_extraction.h"
#include "store/text.h"

namespace tidewell::engine {

std::optional<KitOptOut> kitOptOutOf(std::string_view body) {
  if (body.find("@@@email@@@=") == std::string_view::npos) return std::nullopt;
  return KitOptOut{formMarkerValue(body, "email"), formMarkerValue(body, "k")};
}

std::optional<KitConfirmation> kitConfirmationOf(std::string_view body) {
  if (body.find("@@@confirm@@@=") == std::string_view::npos) return std::nullopt;
  return KitConfirmation{formMarkerValue(body, "confirm"), formMarkerValue(body, "k")};
}

bool isAutoSubmitted(std::string_view fullText) {
  constexpr std::string_view kField = "auto-submitted:";
  std::size_t start = 0;
  while (start < fullText.size()) {
    std::size_t end = fullText.find('\n', start);
    if (end == std::string_view::npos) end = fullText.size();
    std::string_view line = fullText.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) return false;  // the header ends at the first empty line
    if (store::startsWithIgnoreCase(line, kField)) {
      std::string_view value = store::trim(line.substr(kField.size()));
      // "no" may carry comments or parameters after it: "no (manual)", "no; x=y".
      std::size_t word = value.find_first_of(" \t;(");
      return !store::equalsIgnoreCase(value.substr(0, word), "no");
    }
    start = end + 1;
  }
  return false;
}

}  // namespace tidewell::engine
