#pragma once
// The substitution loop every personalisation shares: placeholders (a field name between two
// field delimiters) are replaced left to right; callers supply the comparison mode and where a
// value comes from. Stateless.

#include <functional>
#include <string>
#include <string_view>

namespace tidewell::engine {

enum class NameComparison {
  kExact,       // newsletter sending
  kIgnoreCase,  // capture from a form message and the CSV import
};

// The value for a placeholder's name; empty text when no active field supplies one.
using FieldLookup = std::function<std::string(std::string_view name)>;

// The template with its placeholders replaced. An empty delimiter leaves the template as it is.
// A value that holds the delimiter is seen by later passes; the number of passes is fixed by
// the template before substitution, and a delimiter left over stays in the text.
std::string substitutePlaceholders(std::string_view text, std::string_view delimiter,
                                   NameComparison comparison, const FieldLookup& lookup);

}  // namespace tidewell::engine
