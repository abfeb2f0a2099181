#include "cli_runner.h"

#include <sys/wait.h>

#include <cstdio>

#include "support/test_support.h"

namespace tidewell::testing {

namespace {

std::string quote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

CliResult runCli(const std::filesystem::path& folder, const std::vector<std::string>& args,
                 const std::optional<std::string>& input,
                 const std::vector<std::string>& environment) {
  std::filesystem::path inFile = folder / ".cli-in";
  if (input) writeBytes(inFile, *input);
  std::filesystem::path outFile = folder / ".cli-out";
  std::filesystem::path errFile = folder / ".cli-err";
  std::string command;
  for (const auto& e : environment) command += (command.empty() ? "env " : "") + quote(e) + " ";
  command += quote(TIDEWELL_CLI) + " --folder " + quote(folder.string());
  for (const auto& a : args) command += " " + quote(a);
  command += " <" + quote(input ? inFile.string() : "/dev/null");
  command += " >" + quote(outFile.string()) + " 2>" + quote(errFile.string());
  int raw = std::system(command.c_str());
  CliResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = readBytes(outFile);
  result.err = readBytes(errFile);
  for (const auto& file : {outFile, errFile, inFile}) std::filesystem::remove(file);
  return result;
}

CliResult newGoldProfile(const std::filesystem::path& folder, const std::string& email,
                         const std::string& password, const std::vector<std::string>& before) {
  std::vector<std::string> args = before;
  args.insert(args.end(), {"new-profile", "--title", "Gold", "--email", email, "--reply",
                           "reply@example.com", "--pop3", "127.0.0.1", "--smtp", "127.0.0.1",
                           "--account", "ann", "--password", password});
  return runCli(folder, args);
}

}  // namespace tidewell::testing
