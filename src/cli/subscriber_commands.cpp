// Subscriber commands: subscribers, add-subscriber, import-csv.

#include "cli/commands.h"

namespace tidewell::cli {

std::vector<Command> subscriberCommands() {
  return {};
}

}  // namespace tidewell::cli
