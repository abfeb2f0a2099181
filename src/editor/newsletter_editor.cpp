#include "editor/newsletter_editor.h"

#include "store/utilities.h"

namespace tidewell::editor {

bool NewsletterEditor::lineUpdate(const std::string& key, const std::string& value,
                                  const std::string& oldValue) {
  return m_profile.UpdateFile(key + ": " + value, oldValue, m_index);
}

AttachmentList NewsletterEditor::addAttachment(const AttachmentList& list,
                                               const std::string& path) {
  AttachmentList changed = list;
  changed.add(path);
  lineUpdate("attach", changed.text(), list.text());
  return changed;
}

AttachmentList NewsletterEditor::removeAttachment(const AttachmentList& list,
                                                  const std::string& path) {
  AttachmentList changed = list;
  changed.remove(path);
  lineUpdate("attach", changed.text(), list.text());
  return changed;
}

NewsletterSchedule NewsletterEditor::chooseDays(const std::string& dateText) {
  lineUpdate("dateordays", "days", "date");
  return {false, dateText};
}

bool NewsletterEditor::chooseDate(const std::string& dateText) {
  lineUpdate("dateordays", "date", "days");
  return dateText == kDateNotSet;
}

NewsletterSchedule NewsletterEditor::applyPickedDate(const std::string& shownText,
                                                     const std::optional<store::Date>& picked) {
  std::string answer = store::CallCalander(shownText, picked);
  if (answer == kDateNotSet) return fallBackToDays(answer);
  lineUpdate("date", answer, shownText);
  return {true, answer};
}

NewsletterSchedule NewsletterEditor::clearDate(const std::string& shownText) {
  lineUpdate("date", std::string(kDateNotSet), shownText);
  return fallBackToDays(std::string(kDateNotSet));
}

NewsletterSchedule NewsletterEditor::fallBackToDays(std::string dateText) {
  // A newsletter on the date choice without a date would never be sent.
  lineUpdate("dateordays", "days", "date");
  return {false, std::move(dateText)};
}

bool NewsletterEditor::setVerify(bool ticked) {
  return ticked ? lineUpdate("verify", "true", "false") : lineUpdate("verify", "false", "true");
}

bool NewsletterEditor::writeNoRuleAssigned() {
  return m_profile.UpdateFile_new(m_index, "rule", kNoRuleAssigned);
}

NewsletterSchedule readSchedule(const store::ProfileStore& profile, int blockIndex) {
  NewsletterSchedule schedule;
  schedule.dateChosen = profile.GetFromFile_new(blockIndex, "dateordays") == "date";
  std::string date = profile.GetFromFile_new(blockIndex, "date");
  schedule.dateText = date == store::kAbsent ? std::string(kDateNotSet) : date;
  return schedule;
}

}  // namespace tidewell::editor
