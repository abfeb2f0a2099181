#pragma once
// The commands of tidewell-cli. Each returns the exit status: 0 done, 1 failed (the reason is
// on standard error and in the error log); wrong usage raises UsageError (status 2).

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/cli_context.h"

namespace tidewell::cli {

struct Command {
  std::string name;
  std::string usage;
  int (*run)(CliContext& context, const Arguments& args);
};

std::vector<Command> profileCommands();
std::vector<Command> subscriberCommands();
std::vector<Command> engineCommands();
std::vector<Command> reportCommands();
std::vector<Command> secretCommands();
std::vector<Command> statsCommands();

// 1 when the trap reported an error since `before`, else 0.
inline int statusSince(const CliContext& context, int before) {
  return context.errorCount() > before ? 1 : 0;
}

}  // namespace tidewell::cli
