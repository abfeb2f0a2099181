#pragma once
// The subjects a filter's sign-ups may carry, for the opt-in form: the keywords of its rules
// that test the subject. Stateless.
#include <optional>
#include <string>
#include <vector>

#include "store/filter_record.h"

namespace tidewell::editor {

// f_show_frmSubjects' keywords: field 3 of every rule line that holds "Subject", in order.
std::vector<std::string> subjectKeywords(const store::FilterRecord& filter);

// The subject for the form: the only keyword, empty text without any, and with several the
// operator's choice (choose returns nothing when the operator cancels, and so does this).
template <class Choose>
std::optional<std::string> chooseSubject(const std::vector<std::string>& keywords,
                                         Choose&& choose) {
  if (keywords.empty()) return std::string();
  if (keywords.size() == 1) return keywords.front();
  return choose(keywords);
}

}  // namespace tidewell::editor
