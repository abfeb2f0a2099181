#pragma once
// The commands of tidewell-cli. Each returns the exit status: 0 done, 1 failed (the reason is
// on standard error and in the error log); wrong usage raises UsageError (status 2).

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/cli_context.h"

namespace tidewell::cli {

// What a command does to the open profile. A command that writes holds the profile's lock
// while it runs, so it never works beside the window or another writer; commands that only
// read take none (every file is replaced whole, so a reader never meets a half-written one).
enum class ProfileAccess {
  kWrites,   // the default: anything not marked otherwise takes the lock
  kReads,    // only reads the profile and the files beside it
  kCreates,  // makes a new profile: there is no writer to wait for
};

struct Command {
  std::string name;
  std::string usage;
  int (*run)(CliContext& context, const Arguments& args);
  ProfileAccess access = ProfileAccess::kWrites;
};

// The exit status of a writing command refused because another process holds the profile.
inline constexpr int kProfileBusy = 75;

std::vector<Command> profileCommands();
std::vector<Command> subscriberCommands();
std::vector<Command> engineCommands();
std::vector<Command> reportCommands();
std::vector<Command> secretCommands();
std::vector<Command> consentCommands();
std::vector<Command> hygieneCommands();
std::vector<Command> certificateCommands();
std::vector<Command> statsCommands();

// 1 when the trap reported an error since `before`, else 0.
inline int statusSince(const CliContext& context, int before) {
  return context.errorCount() > before ? 1 : 0;
}

}  // namespace tidewell::cli
