#pragma once
// Checks of the server settings a panel or the wizard makes when a field is left, so that a
// value the next check cycle cannot use is refused at once rather than failing minutes later.
// Each gives the message box the operator sees, or nothing when the value is fine. Stateless.
#include <optional>
#include <string>

namespace tidewell::editor {

struct FieldRefusal {
  std::string message;
  std::string caption;
};

// A port: a whole number from 1 to 65535. server is "Pop3" or "SMTP".
std::optional<FieldRefusal> portRefusal(const std::string& text, const std::string& server);
// The list's own address or its reply address: one mailbox, as sign-ups and sends need it.
// what names the field ("Email Address", "Reply Address").
std::optional<FieldRefusal> addressRefusal(const std::string& text, const std::string& what);

}  // namespace tidewell::editor
