#pragma once
// The opt-in form for the list owner's web site: a sign-up form posting to the form-to-mail
// page of the web kit, which mails the entries to the list's mailbox with the subject the filter's
// rule expects and a body of field markers the engine reads back. Stateless.
#include <string>
#include <string_view>

#include "store/filter_record.h"

namespace tidewell::editor {

struct OptInFormInputs {
  std::string kitAddress;   // the web kit's folder, ending in "/"; the form posts to its email.php
  std::string listAddress;  // the mailbox the engine reads
  std::string subjectKeyword;  // the subject the form service gives its messages
  std::string redirect;        // where visitors go after signing up
};

// The form's HTML, lines joined with CR LF: one line per active field 1 to 40, then the e-mail
// line (always input1). Every inserted value is quoted and escaped.
std::string optInFormHtml(const store::FieldTable& fields, const OptInFormInputs& inputs);

}  // namespace tidewell::editor
