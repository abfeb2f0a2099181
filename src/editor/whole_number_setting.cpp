#include "editor/whole_number_setting.h"

#include <charconv>

#include "store/profile_document.h"
#include "store/text.h"

namespace tidewell::editor {

std::string shownWholeNumber(const store::ProfileStore& profile, const WholeNumberKey& key) {
  std::string value = profile.GetFromFile_new(key.block, key.key);
  return value == store::kAbsent ? std::string() : value;
}

bool acceptableWholeNumber(const WholeNumberKey& key, std::string_view text) {
  std::string_view digits = store::trim(text);
  if (digits.empty()) return true;
  int number = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size() && number >= key.minimum &&
         number <= key.maximum;
}

bool writeWholeNumber(store::ProfileStore& profile, const WholeNumberKey& key,
                      std::string_view text) {
  if (!acceptableWholeNumber(key, text)) return false;
  return profile.UpdateFile_new(key.block, key.key, std::string(store::trim(text)));
}

}  // namespace tidewell::editor
