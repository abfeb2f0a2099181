#pragma once
// The server settings that must be filled in before the operator may leave their panel.
// Stateless.
#include <string>
#include <vector>

namespace tidewell::editor {

struct RequiredServerFields {
  std::string pop3;
  std::string smtp;
  std::string account;
  std::string password;
  std::string email;
  std::string reply;
};

// One line per empty field, in the panel's order ("- Incoming Mail (Pop3)", ...).
std::vector<std::string> missingRequiredFields(const RequiredServerFields& fields);

}  // namespace tidewell::editor
