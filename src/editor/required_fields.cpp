#include "editor/required_fields.h"

namespace tidewell::editor {

std::vector<std::string> missingRequiredFields(const RequiredServerFields& f) {
  const std::pair<const std::string*, const char*> checks[] = {
      {&f.pop3, "- Incoming Mail (Pop3)"}, {&f.smtp, "- Outgoing Mail (SMTP)"},
      {&f.account, "- Account Name"},      {&f.password, "- Password"},
      {&f.email, "- Email Address"},       {&f.reply, "- Reply Name"}};
  std::vector<std::string> missing;
  for (const auto& [text, line] : checks) {
    if (text->empty()) missing.emplace_back(line);
  }
  return missing;
}

}  // namespace tidewell::editor
