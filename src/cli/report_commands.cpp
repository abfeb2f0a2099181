// Report commands: classify.

#include <iostream>

#include "cli/commands.h"
#include "engine/delivery_report_reader.h"
#include "mail/message_parser.h"
#include "store/text_file.h"

namespace tidewell::cli {

namespace {

std::string orDash(const std::string& text) {
  return text.empty() ? "-" : text;
}

// One line per recipient a report names: file, recipient, status and class, TAB-separated;
// "none" for a message that is no report.
int classify(CliContext&, const Arguments& args) {
  if (args.count() < 1) throw UsageError("classify needs at least one message file");
  for (const std::string& file : args.positional()) {
    mail::IncomingMessage message = mail::MessageParser::parse(store::readFileBytes(file), file);
    engine::ReportReading reading = engine::readDeliveryReport(message);
    if (reading.recipients.empty()) std::cout << file << "\t-\t-\tnone\n";
    for (const auto& r : reading.recipients) {
      std::cout << file << '\t' << orDash(r.address) << '\t' << orDash(r.status) << '\t'
                << engine::bounceClassName(r.bounceClass) << '\n';
    }
  }
  return 0;
}

}  // namespace

std::vector<Command> reportCommands() {
  return {{"classify", "FILE...   the recipients, status codes and classes of delivery reports",
           classify, ProfileAccess::kReads}};
}

}  // namespace tidewell::cli
