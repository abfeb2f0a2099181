// Report commands: classify.

#include <iostream>
#include <map>

#include "cli/commands.h"
#include "engine/delivery_report_reader.h"
#include "mail/message_parser.h"
#include "store/text_file.h"

namespace tidewell::cli {

namespace {

std::string orDash(const std::string& text) {
  return text.empty() ? "-" : text;
}

// The figures over many reports: how many name a recipient, and the classes of their
// recipients.
struct Figures {
  int messages = 0;
  int reports = 0;
  int withRecipient = 0;
  int strikes = 0;
  std::map<std::string, int> classes;

  void add(const engine::ReportReading& reading) {
    ++messages;
    if (!reading.isReport) return;
    ++reports;
    bool named = false;
    for (const auto& r : reading.recipients) {
      named = named || !r.address.empty();
      ++classes[std::string(engine::bounceClassName(r.bounceClass))];
      if (engine::countsAsStrike(r)) ++strikes;
    }
    if (named) ++withRecipient;
  }
  void print() const {
    std::cout << "messages\t" << messages << "\nreports\t" << reports
              << "\nreports naming a recipient\t" << withRecipient << "\n";
    for (const auto& [name, count] : classes)
      std::cout << "class " << name << '\t' << count << '\n';
    std::cout << "recipients counted as strikes\t" << strikes << '\n';
  }
};

// One line per recipient a report names: file, recipient, status and class, TAB-separated;
// "none" for a message that is no report. A recipient found only as the returned original's
// To is shown with "(original To)". With --summary, the figures over all files instead.
int classify(CliContext&, const Arguments& args) {
  if (args.count() < 1) throw UsageError("classify needs at least one message file");
  const bool summary = args.option("summary").has_value();
  Figures figures;
  for (const std::string& file : args.positional()) {
    mail::IncomingMessage message = mail::MessageParser::parse(store::readFileBytes(file), file);
    engine::ReportReading reading = engine::readDeliveryReport(message);
    if (!reading.originalTo.empty()) {
      // What the engine does when the original came from the profile to one subscriber.
      reading.recipients.front().address = reading.originalTo;
    }
    figures.add(reading);
    if (summary) continue;
    if (reading.recipients.empty()) std::cout << file << "\t-\t-\tnone\n";
    for (const auto& r : reading.recipients) {
      std::cout << file << '\t' << orDash(r.address) << '\t' << orDash(r.status) << '\t'
                << engine::bounceClassName(r.bounceClass)
                << (reading.originalTo.empty() ? "" : "\t(original To)") << '\n';
    }
  }
  if (summary) figures.print();
  return 0;
}

}  // namespace

std::vector<Command> reportCommands() {
  return {{"classify",
           "FILE... [--summary yes]   the recipients, status codes and classes of delivery "
           "reports",
           classify, ProfileAccess::kReads}};
}

}  // namespace tidewell::cli
