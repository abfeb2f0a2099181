#include "engine/personalisation.h"

#include "engine/placeholder_substitution.h"
#include "store/text.h"

namespace tidewell::engine {

namespace {

// An absent toname key reads as "!", which is no template.
std::string_view templateText(std::string_view text) {
  return text == store::kAbsent ? std::string_view() : text;
}

// The value of the last active field whose name matches.
std::string activeValue(const store::FieldTable& fields, std::string_view name,
                        NameComparison comparison) {
  std::string value;
  for (const auto& field : fields) {
    if (!field.active) continue;
    bool same = comparison == NameComparison::kExact ? field.name == name
                                                     : store::equalsIgnoreCase(field.name, name);
    if (same) value = field.value;
  }
  return value;
}

}  // namespace

std::string f_fill_fields(std::string_view which, const NewsletterRecord& newsletter,
                          const store::FieldTable& subscriberFields, std::string_view delimiter,
                          const std::vector<ExtraValue>& extras) {
  std::string_view text;
  if (which == "subject") {
    text = newsletter.subject;
  } else if (which == "body") {
    text = newsletter.body;
  } else if (which == "text") {
    text = newsletter.text;
  } else if (which == "toname") {
    text = templateText(newsletter.toname);
  } else {
    return {};
  }
  return substitutePlaceholders(text, delimiter, NameComparison::kExact, [&](std::string_view n) {
    for (const ExtraValue& extra : extras) {
      if (extra.name == n) return extra.value;
    }
    return activeValue(subscriberFields, n, NameComparison::kExact);
  });
}

std::string f_fill_fields2(store::ErrorTrap& trap, std::string_view which,
                           const store::FilterRecord& filter, const store::FieldTable& fields,
                           const NewsletterRecord* newsletter, std::string_view delimiter) {
  return trap.run(store::Procedure{"f_fill_fields2"}, std::string(), [&] {
    std::string_view text;
    if (store::equalsIgnoreCase(which, "toname")) {
      text = templateText(filter.toname);
    } else if (newsletter && store::equalsIgnoreCase(which, "subject")) {
      text = newsletter->subject;
    } else if (newsletter && store::equalsIgnoreCase(which, "body")) {
      text = newsletter->body;
    } else {
      return std::string();
    }
    return substitutePlaceholders(
        text, delimiter, NameComparison::kIgnoreCase,
        [&](std::string_view n) { return activeValue(fields, n, NameComparison::kIgnoreCase); });
  });
}

std::string f_fill_fields3(store::ErrorTrap& trap, const store::FieldTable& subscriberFields,
                           const store::FilterRecord& filter, std::string_view delimiter) {
  return trap.run(store::Procedure{"f_fill_fields3"}, std::string(), [&] {
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
    return substitutePlaceholders(templateText(filter.toname), delimiter,
                                  NameComparison::kIgnoreCase, lookup);
  });
}

}  // namespace tidewell::engine
