#pragma once
// Personalisation of templates with a subscriber's personal fields. f_fill_fields3 fills a
// filter's display-name template ("toname") for the CSV import; the newsletter and capture
// personalisations join it here on the same substitution loop. One thread.

#include <string>
#include <string_view>

#include "store/error_trap.h"
#include "store/filter_record.h"

namespace tidewell::engine {

// The filter's toname template filled from the subscriber's fields: a placeholder's name is
// compared without regard to case with the filter's field names, and the subscriber's field at
// the same position supplies the value when it is active (the last such position wins). Runs in
// its own trap ("f_fill_fields3:"); empty text on failure.
std::string f_fill_fields3(store::ErrorTrap& trap, const store::FieldTable& subscriberFields,
                           const store::FilterRecord& filter, std::string_view delimiter);

}  // namespace tidewell::engine
