#pragma once
// Reads a new subscriber's personal fields out of a sign-up message: from the opt-in form's
// markers ("@@@input2@@@=Ann=@@@input2@@@") when the body carries them, else by the filter's
// extract keys (the text between a find text and an until text). Stateless.
#include <string>
#include <string_view>

#include "store/filter_record.h"

namespace tidewell::engine {

struct Extraction {
  bool formFound = false;  // the body carried at least one form marker of the filter
  std::string pmf;         // 41 name/value pairs or more, found ones first
  // The filter's field table with the values found in this message (others empty).
  store::FieldTable fields;
};

Extraction ExtractFields(std::string_view body, const store::FilterRecord& filter);

enum class ExtractMode { kFormMarker, kExtractKey };
// One trimmed value: the field's form marker value, or the text after extract key p's find text
// up to its until text. An incomplete marker, a find text or an until text not found gives
// empty text.
std::string ExtractValue(std::string_view body, const store::FilterRecord& filter,
                         std::size_t position, ExtractMode mode);

// The trimmed value of the marker "@@@name@@@=value=@@@name@@@" in the body; empty when the
// marker is absent or incomplete.
std::string formMarkerValue(std::string_view body, std::string_view inputName);

}  // namespace tidewell::engine
