#pragma once
// Runs the built tidewell-cli as a separate process, as scripts do, and collects what it printed.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tidewell::testing {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// input, when given, is the program's standard input; otherwise it reads from /dev/null.
// environment, when given, is env(1)'s arguments for the program ("-u", "NAME", "NAME=value").
CliResult runCli(const std::filesystem::path& folder, const std::vector<std::string>& args,
                 const std::optional<std::string>& input = std::nullopt,
                 const std::vector<std::string>& environment = {});

// new-profile for a profile "Gold" sending as `email` with the POP3 password `password`;
// `before` goes ahead of the command (--today, --folder). Both servers are this machine.
CliResult newGoldProfile(const std::filesystem::path& folder,
                         const std::string& email = "list@example.com",
                         const std::string& password = "pw",
                         const std::vector<std::string>& before = {});

}  // namespace tidewell::testing
