#include "engine/personalisation.h"

#include "engine/placeholder_substitution.h"
#include "store/text.h"

namespace tidewell::engine {

std::string f_fill_fields3(store::ErrorTrap& trap, const store::FieldTable& subscriberFields,
                           const store::FilterRecord& filter, std::string_view delimiter) {
  return trap.run(store::Procedure{"f_fill_fields3"}, std::string(), [&] {
    // An absent toname key reads as "!", which is no template.
    std::string_view toname = filter.toname;
    if (toname == store::kAbsent) toname = {};
    auto lookup = [&](std::string_view name) {
      std::string value;
      for (std::size_t j = 0; j < store::kPersonalFieldCount; ++j) {
        if (subscriberFields[j].active &&
            store::equalsIgnoreCase(filter.fieldTable[j].name, name)) {
          value = subscriberFields[j].value;
        }
      }
      return value;
    };
    return substitutePlaceholders(toname, delimiter, NameComparison::kIgnoreCase, lookup);
  });
}

}  // namespace tidewell::engine
