// List hygiene commands: the suppression list (suppress, unsuppress, suppressed,
// import-suppressed), the bounce strikes (strikes), and a person's data (export-person,
// erase-person).

#include <algorithm>
#include <iostream>

#include "cli/commands.h"
#include "cli/subscriber_session.h"
#include "consent/person_record.h"
#include "consent/suppression_list.h"
#include "engine/bounce_counts.h"
#include "store/date_text.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::cli {

namespace {

constexpr std::string_view kReasons[] = {"manual", "complaint"};

std::filesystem::path suppressionPath(CliContext& context) {
  return consent::SuppressionList::pathFor(context.profilePath());
}

consent::PersonFiles personFiles(CliContext& context) {
  return {context.profilePath(), context.programFolder()};
}

bool endsWithCsv(const std::string& file) {
  return file.size() >= 4 && store::equalsIgnoreCase(file.substr(file.size() - 4), ".csv");
}

// Adds addresses and @domains by hand; --reason complaint for a spam complaint.
int suppress(CliContext& context, const Arguments& args) {
  args.expect(args.count(), {"reason"});
  if (args.count() < 1) throw UsageError("suppress needs an address or @domain");
  const std::string reason = args.option("reason").value_or("manual");
  if (std::find(std::begin(kReasons), std::end(kReasons), reason) == std::end(kReasons)) {
    throw UsageError("--reason is manual or complaint");
  }
  consent::SuppressionList list(suppressionPath(context));
  int status = 0;
  for (const std::string& entry : args.positional()) {
    if (!consent::SuppressionList::keyOf(entry)) {
      std::cerr << "Not an address or @domain: " << entry << '\n';
      status = 1;
    } else if (!list.add(entry, context.trap().clock().today(), reason)) {
      std::cout << "Already suppressed: " << entry << '\n';
    } else {
      std::cout << "Suppressed: " << entry << '\n';
    }
  }
  list.save();
  return status;
}

int unsuppress(CliContext& context, const Arguments& args) {
  args.expect(args.count(), {});
  if (args.count() < 1) throw UsageError("unsuppress needs an address or @domain");
  consent::SuppressionList list(suppressionPath(context));
  int status = 0;
  for (const std::string& entry : args.positional()) {
    if (list.remove(entry)) {
      std::cout << "No longer suppressed: " << entry << '\n';
    } else {
      std::cerr << "Not on the suppression list: " << entry << '\n';
      status = 1;
    }
  }
  list.save();
  return status;
}

// The list on standard output, or written to --export FILE (CSV when the name ends in .csv).
int suppressed(CliContext& context, const Arguments& args) {
  args.expect(0, {"export"});
  consent::SuppressionList list(suppressionPath(context));
  if (auto file = args.option("export")) {
    store::writeFileDurably(*file, consent::suppressionExport(list, endsWithCsv(*file)));
    std::cerr << "Exported " << list.entries().size() << " entries to " << *file << '\n';
    return 0;
  }
  std::cout << consent::suppressionExport(list, true);
  return 0;
}

int importSuppressed(CliContext& context, const Arguments& args) {
  args.expect(1, {});
  const std::string file = args.at(0, "FILE");
  if (!std::filesystem::exists(file)) throw CommandFailed("No such file: " + file);
  consent::SuppressionImport read = consent::readSuppressionImport(store::readTextFile(file));
  consent::SuppressionList list(suppressionPath(context));
  std::size_t added = 0;
  for (const std::string& key : read.keys) {
    if (list.add(key, context.trap().clock().today(), "import")) ++added;
  }
  list.save();
  std::cout << "Imported " << added << " entries, " << read.keys.size() - added
            << " already on the list\n";
  for (const std::string& skipped : read.skipped) std::cout << "Skipped " << skipped << '\n';
  return 0;
}

// The addresses with strikes: address, strikes, days with a failure, first and last failure.
int strikes(CliContext& context, const Arguments& args) {
  args.expect(0, {});
  engine::BounceCounts counts(engine::BounceCounts::pathFor(context.profilePath()));
  const store::Date today = context.trap().clock().today();
  std::cout << "address\tstrikes\tdays\tfirst\tlast\n";
  for (const auto& e : counts.entries()) {
    if (e.staleOn(today)) continue;
    std::cout << e.address << '\t' << e.count << '\t' << e.days.size() << '\t'
              << store::shortDateText(e.first) << '\t' << store::shortDateText(e.last) << '\n';
  }
  return 0;
}

int exportPerson(CliContext& context, const Arguments& args) {
  args.expect(1, {"output"});
  const std::string address = args.at(0, "ADDRESS");
  SubscriberSession session(context);
  session.load();
  const std::string json = consent::exportPerson(session.table(), personFiles(context), address,
                                                 context.trap().clock().today());
  if (auto file = args.option("output")) {
    store::writeFileDurably(*file, json);
  } else {
    std::cout << json;
  }
  return 0;
}

int erasePerson(CliContext& context, const Arguments& args) {
  args.expect(1, {});
  const std::string address = args.at(0, "ADDRESS");
  if (!consent::SuppressionList::keyOf(address) || address.find('@') == 0) {
    throw UsageError("erase-person needs an address");
  }
  if (!context.ui().askYesNo("Erase everything held about " + address +
                                 "? Only a hash of the address stays, on the suppression list, "
                                 "so that it is never mailed again. This cannot be undone.",
                             "Erase Person")) {
    return 1;
  }
  SubscriberSession session(context);
  session.load();
  const int before = context.errorCount();
  consent::Erasure erasure{};
  bool done = context.trap().run(store::windowProcedure("ErasePerson"), [&] {
    erasure = consent::erasePerson(context.trap(), session.table(), personFiles(context), address);
  });
  if (!done || session.save() != 0) return 1;
  std::cout << "Erased " << erasure.records.size() << " subscriber records and "
            << erasure.linesRemoved << " lines of other files\n";
  return statusSince(context, before);
}

}  // namespace

std::vector<Command> hygieneCommands() {
  return {
      {"suppress", "ADDRESS|@DOMAIN... [--reason manual|complaint]", suppress},
      {"unsuppress", "ADDRESS|@DOMAIN...", unsuppress},
      {"suppressed", "[--export FILE]   the suppression list (CSV when FILE ends in .csv)",
       suppressed, ProfileAccess::kReads},
      {"import-suppressed", "FILE   addresses and @domains from a text or CSV file",
       importSuppressed},
      {"strikes", "  the addresses with bounce strikes", strikes, ProfileAccess::kReads},
      {"export-person", "ADDRESS [--output FILE]   everything held about the address, as JSON",
       exportPerson, ProfileAccess::kReads},
      {"erase-person", "ADDRESS   (asks; --yes answers) remove the address everywhere",
       erasePerson},
  };
}

}  // namespace tidewell::cli
