#pragma once
// Personalisation of templates with a subscriber's personal fields: newsletters for sending
// (f_fill_fields), a new subscriber's name from the fields just read out of a form message
// (f_fill_fields2) and an imported subscriber's name (f_fill_fields3). All share one
// substitution loop. One thread.
#include <string>
#include <string_view>
#include <vector>

#include "engine/newsletter_table.h"
#include "store/error_trap.h"
#include "store/filter_record.h"

namespace tidewell::engine {

// A value filled by name that is no stored field of the subscriber (the personal opt-out key
// and address); it goes before a field of the same name.
struct ExtraValue {
  std::string_view name;
  std::string value;
};

// The newsletter's "subject", "body", "text" (the HTML body's text alternative) or "toname"
// template (exact) filled from the subscriber's own fields: a placeholder's name is compared
// exactly, the last active field of that name supplies the value. Any other `which` gives empty
// text.
std::string f_fill_fields(std::string_view which, const NewsletterRecord& newsletter,
                          const store::FieldTable& subscriberFields, std::string_view delimiter,
                          const std::vector<ExtraValue>& extras = {});

// The filter's "toname" template, or the newsletter's "subject" or "body" (which compared
// without regard to case), filled from the values extraction left in `fields`; names compared
// without regard to case. Runs in its own trap ("f_fill_fields2:"); empty text on failure.
std::string f_fill_fields2(store::ErrorTrap& trap, std::string_view which,
                           const store::FilterRecord& filter, const store::FieldTable& fields,
                           const NewsletterRecord* newsletter, std::string_view delimiter);

// The filter's toname template filled from the subscriber's fields: a placeholder's name is
// compared without regard to case with the filter's field names, and the subscriber's field at
// the same position supplies the value when it is active (the last such position wins). Runs in
// its own trap ("f_fill_fields3:"); empty text on failure.
std::string f_fill_fields3(store::ErrorTrap& trap, const store::FieldTable& subscriberFields,
                           const store::FilterRecord& filter, std::string_view delimiter);

}  // namespace tidewell::engine
