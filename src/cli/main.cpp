// tidewell-cli: the profile, subscriber and mail operations of Tidewell for scripts, cron and
// servers, over the same core as the desktop program.

#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "store/date_text.h"
#include "store/private_files.h"

namespace {

using tidewell::cli::Arguments;
using tidewell::cli::Command;
using tidewell::cli::CommandFailed;
using tidewell::cli::GlobalOptions;
using tidewell::cli::UsageError;

std::vector<Command> allCommands() {
  std::vector<Command> commands = tidewell::cli::profileCommands();
  for (Command& c : tidewell::cli::subscriberCommands()) commands.push_back(std::move(c));
  for (Command& c : tidewell::cli::engineCommands()) commands.push_back(std::move(c));
  for (Command& c : tidewell::cli::reportCommands()) commands.push_back(std::move(c));
  for (Command& c : tidewell::cli::secretCommands()) commands.push_back(std::move(c));
  for (Command& c : tidewell::cli::consentCommands()) commands.push_back(std::move(c));
  for (Command& c : tidewell::cli::hygieneCommands()) commands.push_back(std::move(c));
  for (Command& c : tidewell::cli::certificateCommands()) commands.push_back(std::move(c));
  for (Command& c : tidewell::cli::statsCommands()) commands.push_back(std::move(c));
  return commands;
}

void printUsage(const std::vector<Command>& commands, std::ostream& out = std::cerr) {
  out << "usage: tidewell-cli [--folder DIR] [--profile FILE] [--today YYYY-MM-DD] "
         "[--yes] [--ca-file FILE] [--wait SECONDS] COMMAND [ARGS]\n"
         "A command that changes the profile waits up to --wait SECONDS (default 0) while another\n"
         "program writes it, then exits with status 75.\ncommands:\n";
  for (const Command& c : commands) out << "  " << c.name << " " << c.usage << '\n';
}

std::chrono::seconds waitOf(const std::string& value) {
  int seconds = tidewell::cli::toInt(value, "--wait");
  if (seconds < 0) throw UsageError("--wait needs a number of seconds: " + value);
  return std::chrono::seconds(seconds);
}

// --wait may also follow the command word (tidewell-cli send --wait 60); it is no option of the
// command's own.
std::vector<std::string> takeWaitOption(const std::vector<std::string>& words,
                                        GlobalOptions& options) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i] != "--wait") {
      rest.push_back(words[i]);
      continue;
    }
    if (i + 1 >= words.size()) throw UsageError("--wait needs a value");
    options.wait = waitOf(words[++i]);
  }
  return rest;
}

// Takes the global options that stand before the command word; returns the command's words.
std::vector<std::string> takeGlobalOptions(const std::vector<std::string>& words,
                                           GlobalOptions& options) {
  std::size_t i = 0;
  for (; i < words.size() && words[i].rfind("--", 0) == 0; ++i) {
    const std::string& name = words[i];
    if (name == "--help") return {"help"};
    if (name == "--yes") {
      options.answerYes = true;
      continue;
    }
    if (i + 1 >= words.size()) throw UsageError(name + " needs a value");
    const std::string& value = words[++i];
    if (name == "--folder") {
      options.folder = value;
    } else if (name == "--profile") {
      options.profile = value;
    } else if (name == "--ca-file") {
      options.caFile = value;
    } else if (name == "--wait") {
      options.wait = waitOf(value);
    } else if (name == "--today") {
      options.today = tidewell::store::parseIsoDate(value);
      if (!options.today) throw UsageError("--today needs a date YYYY-MM-DD: " + value);
    } else {
      throw UsageError("unknown option " + name);
    }
  }
  return {words.begin() + static_cast<long>(i), words.end()};
}

int run(const std::vector<std::string>& words) {
  std::vector<Command> commands = allCommands();
  GlobalOptions options;
  options.folder = tidewell::cli::defaultProgramFolder();
  try {
    std::vector<std::string> rest = takeGlobalOptions(words, options);
    if (rest.empty()) throw UsageError("no command given");
    if (rest[0] == "help") {
      printUsage(commands, std::cout);
      return 0;
    }
    for (const Command& c : commands) {
      if (c.name != rest[0]) continue;
      Arguments args = Arguments::parse(takeWaitOption({rest.begin() + 1, rest.end()}, options));
      tidewell::store::createPrivateFolders(options.folder);
      tidewell::cli::CliContext context(options);
      context.settings().Create_INI_File();
      if (c.access == tidewell::cli::ProfileAccess::kWrites) context.lockProfile(c.name);
      return c.run(context, args);
    }
    throw UsageError("unknown command " + rest[0]);
  } catch (const UsageError& e) {
    std::cerr << "tidewell-cli: " << e.what() << '\n';
    printUsage(commands);
    return 2;
  } catch (const tidewell::cli::ProfileBusy& e) {
    std::cerr << "tidewell-cli: " << e.what() << '\n';
    return tidewell::cli::kProfileBusy;
  } catch (const CommandFailed& e) {
    std::cerr << "tidewell-cli: " << e.what() << '\n';
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "tidewell-cli: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  tidewell::cli::stopOnTermination();
  return run(std::vector<std::string>(argv + 1, argv + argc));
}
