#pragma once
// What the newsletter panel writes into one newsletter block: line updates of its fields, the
// attachment list, the days-or-date choice with the picker's answer, and verify. Made per shown
// node; user-interface thread.
#include <optional>
#include <string>

#include "editor/attachment_list.h"
#include "store/date_text.h"
#include "store/profile_store.h"

namespace tidewell::editor {

inline constexpr std::string_view kDateNotSet = "date not set";
inline constexpr std::string_view kNoRuleAssigned = "No Rule Assigned";

// Which of the two sending choices is selected, and the date text shown beside the date one.
struct NewsletterSchedule {
  bool dateChosen = false;
  std::string dateText{kDateNotSet};
};

class NewsletterEditor {
 public:
  NewsletterEditor(store::ProfileStore& profile, int blockIndex)
      : m_profile(profile), m_index(blockIndex) {}

  int blockIndex() const { return m_index; }
  // UpdateFile with "key: value" and the value the field held when it got the focus.
  bool lineUpdate(const std::string& key, const std::string& value, const std::string& oldValue);

  // Adds or removes an attachment and writes the list with the text it had before.
  AttachmentList addAttachment(const AttachmentList& list, const std::string& path);
  AttachmentList removeAttachment(const AttachmentList& list, const std::string& path);

  NewsletterSchedule chooseDays(const std::string& dateText);
  // The date choice; true when the picker must open at once (no date set yet).
  bool chooseDate(const std::string& dateText);
  // "Set...": the picker's confirmed date, or nullopt when it was cancelled.
  NewsletterSchedule applyPickedDate(const std::string& shownText,
                                     const std::optional<store::Date>& picked);
  // "Clear": no date, back to days.
  NewsletterSchedule clearDate(const std::string& shownText);

  bool setVerify(bool ticked);
  // The filter the newsletter names no longer exists.
  bool writeNoRuleAssigned();

 private:
  NewsletterSchedule fallBackToDays(std::string dateText);

  store::ProfileStore& m_profile;
  int m_index;
};

// The schedule a newsletter block holds.
NewsletterSchedule readSchedule(const store::ProfileStore& profile, int blockIndex);

}  // namespace tidewell::editor
