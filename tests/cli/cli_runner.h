#pragma once
// Runs the built tidewell-cli as a separate process, as scripts do, and collects what it printed.

#include <filesystem>
#include <string>
#include <vector>

namespace tidewell::testing {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

CliResult runCli(const std::filesystem::path& folder, const std::vector<std::string>& args);

}  // namespace tidewell::testing
