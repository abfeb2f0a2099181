// Subscriber commands: subscribers, add-subscriber, import-csv.

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <set>

#include "cli/commands.h"
#include "cli/subscriber_session.h"
#include "store/profile_settings.h"
#include "store/subscriber_file.h"
#include "store/text.h"
#include "subscribers/csv_import.h"
#include "subscribers/new_email_rules.h"

namespace tidewell::cli {

namespace {

// A report of a huge file stays readable; the count says what was left out.
constexpr std::size_t kSkippedLinesShown = 1000;

int refuse(CliContext& context, const subscribers::Refusal& refusal) {
  context.ui().showMessage(refusal.message, refusal.caption);
  return 1;
}

void appendCsvValue(std::string& out, std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.append(value);
    return;
  }
  out.push_back('"');
  for (char c : value) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

void appendCsvLine(std::string& out, std::initializer_list<std::string_view> values) {
  bool first = true;
  for (std::string_view v : values) {
    if (!first) out.push_back(',');
    first = false;
    appendCsvValue(out, v);
  }
  out.push_back('\n');
}

int listSubscribers(CliContext& context, const Arguments& args) {
  args.expect(0, {"filter"});
  std::optional<std::string> filter = args.option("filter");
  SubscriberSession session(context);
  session.load();
  const store::SubscriberTable& table = session.table();
  std::string out;
  appendCsvLine(out, {"email", "name", "signup", "active", "filter", "sent"});
  for (store::Position p = 0; p < table.size() && !table.isEmpty(); ++p) {
    const store::SubscriberRecord& r = table.record(p);
    if (r.isDeleted() || (filter && table.filterTitle(p) != *filter)) continue;
    appendCsvLine(out, {r.email(), r.name(), store::shortDateText(table.signup(p)), table.active(p),
                        table.filterTitle(p), r.sentList()});
    if (out.size() < (1u << 20)) continue;
    std::fwrite(out.data(), 1, out.size(), stdout);
    out.clear();
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int addSubscriber(CliContext& context, const Arguments& args) {
  args.expect(0, {"email", "name", "filter"});
  std::string email = args.required("email");
  std::string name = args.required("name");
  std::string title = args.required("filter");
  SubscriberSession session(context);
  session.load();
  if (auto refusal = subscribers::checkNewEmailOpen(session.filters())) {
    return refuse(context, *refusal);
  }
  std::vector<std::string> choices = subscribers::newEmailFilterChoices(session.filters());
  if (std::find(choices.begin(), choices.end(), title) == choices.end()) {
    return refuse(context, {"Choose a filter that has an Opt-In Code.", "New Email"});
  }
  auto refusal = subscribers::checkNewEmail(session.table(), session.filters(), email, name, title);
  if (refusal) return refuse(context, *refusal);
  if (!subscribers::addNewEmail(context.trap(), session.table(), email, name, title)) return 1;
  return session.save();
}

// "FIELD=N" with N a column from 1 to 40.
subscribers::CsvPair readMap(const std::string& text) {
  std::size_t equals = text.rfind('=');
  if (equals == std::string::npos || equals == 0) {
    throw UsageError("--map needs FIELD=N: " + text);
  }
  int column = toInt(text.substr(equals + 1), "the column of --map " + text);
  if (column < 1 || column > subscribers::kMostCsvColumns) {
    throw UsageError("--map columns run from 1 to 40: " + text);
  }
  return {text.substr(0, equals), column};
}

std::string columnName(int column) {
  return subscribers::csvColumnNames(column).back();
}

// Pairs as the import window would, with the window's messages.
std::optional<subscribers::Refusal> pairAll(subscribers::CsvImportPairing& pairing,
                                            const store::FilterRecord& filter,
                                            const std::vector<subscribers::CsvPair>& maps) {
  std::set<int> columns;
  for (const auto& m : maps) columns.insert(m.column);
  std::vector<std::string> names;
  names.reserve(columns.size());
  for (int c : columns) names.push_back(columnName(c));
  pairing.chooseFilter(filter);
  pairing.selectColumns(names);
  for (const auto& m : maps) {
    const auto& fields = pairing.availableFields();
    if (std::find(fields.begin(), fields.end(), m.field) == fields.end()) {
      throw CommandFailed(m.field + " is not an unpaired personal field offered by " +
                          filter.title);
    }
    std::size_t before = pairing.pairs().size();
    if (auto refusal = pairing.pair(m.field, columnName(m.column))) return refusal;
    if (pairing.pairs().size() == before) {
      throw CommandFailed(columnName(m.column) + " is already paired");
    }
  }
  return std::nullopt;
}

void printReport(const subscribers::CsvImportReport& report) {
  std::cout << "Imported " << report.imported << " lines\n";
  std::size_t shown = std::min(report.skipped.size(), kSkippedLinesShown);
  for (std::size_t i = 0; i < shown; ++i) {
    std::cout << "Line " << report.skipped[i].line << " skipped: " << report.skipped[i].reason
              << '\n';
  }
  if (report.skipped.size() > shown) {
    std::cout << "... and " << report.skipped.size() - shown << " more lines skipped\n";
  }
  std::cout << "Skipped " << report.skipped.size() << " lines\n";
}

int importCsvFile(CliContext& context, const Arguments& args) {
  args.expect(1, {"filter", "map"});
  std::string file = args.at(0, "FILE");
  std::string title = args.required("filter");
  std::vector<subscribers::CsvPair> maps;
  for (const std::string& m : args.all("map")) maps.push_back(readMap(m));
  if (maps.empty()) throw UsageError("missing --map");
  SubscriberSession session(context);
  session.load();
  const store::FilterRecord* filter = store::findFilter(session.filters(), title);
  if (!filter) throw CommandFailed("No filter is titled " + title);
  subscribers::CsvImportPairing pairing;
  if (auto refusal = pairAll(pairing, *filter, maps)) return refuse(context, *refusal);
  auto report = subscribers::importCsv(context.trap(), session.table(), file, *filter,
                                       pairing.pairs(), session.fieldDelimiter());
  if (!report) return 1;
  printReport(*report);
  return session.save();
}

}  // namespace

std::vector<Command> subscriberCommands() {
  return {
      {"subscribers", "[--filter T]", listSubscribers},
      {"add-subscriber", "--email E --name N --filter T", addSubscriber},
      {"import-csv", "FILE --filter T --map FIELD=N [--map FIELD=N ...]", importCsvFile},
  };
}

}  // namespace tidewell::cli
