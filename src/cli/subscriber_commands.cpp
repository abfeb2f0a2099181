// Subscriber commands: subscribers, add-subscriber, import-csv, and the grid's row actions
// toggle, delete, set-signup, assign, find, edit-subscriber.

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <set>

#include "cli/commands.h"
#include "cli/subscriber_session.h"
#include "consent/consent_log.h"
#include "store/profile_settings.h"
#include "store/subscriber_file.h"
#include "store/text.h"
#include "subscribers/csv_import.h"
#include "subscribers/edit_dialog_rules.h"
#include "subscribers/grid_actions.h"
#include "subscribers/new_email_rules.h"
#include "subscribers/subscriber_finder.h"

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

void appendSubscriberLine(std::string& out, const store::SubscriberTable& table,
                          store::Position p) {
  const store::SubscriberRecord& r = table.record(p);
  appendCsvLine(out, {r.email(), r.name(), store::shortDateText(table.signup(p)), table.active(p),
                      table.filterTitle(p), r.sentList()});
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
    appendSubscriberLine(out, table, p);
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
  auto refusal = subscribers::checkNewEmail(
      session.table(), session.filters(), email, name, title,
      consent::SuppressionList(consent::SuppressionList::pathFor(session.file().path())));
  if (refusal) return refuse(context, *refusal);
  if (!subscribers::addNewEmail(context.trap(), session.table(), email, name, title)) return 1;
  int saved = session.save();
  if (saved != 0) return saved;
  const store::Clock& clock = context.trap().clock();
  bool logged = context.trap().run(store::Procedure{"add-subscriber"}, [&] {
    consent::appendConsentOfAll(session.profile().path().parent_path(), {email}, title, "cli",
                                store::shortDateText(clock.today()), clock.timeText());
  });
  return logged ? 0 : 1;
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
  auto report = subscribers::importCsv(
      context.trap(), session.table(), file, *filter, pairing.pairs(), session.fieldDelimiter(),
      consent::SuppressionList(consent::SuppressionList::pathFor(session.file().path())));
  if (!report) return 1;
  printReport(*report);
  int saved = session.save();
  if (saved != 0) return saved;
  const store::Clock& clock = context.trap().clock();
  bool logged = context.trap().run(store::Procedure{"import-csv"}, [&] {
    consent::appendConsentOfAll(session.profile().path().parent_path(), report->addresses, title,
                                "import", store::shortDateText(clock.today()), clock.timeText());
  });
  return logged ? 0 : 1;
}

// The subscribers a row action works on: the given addresses (without regard to case), within
// the --filter when one is given, or every subscriber of the --filter. Deleted records are no
// subscribers; an address that matches none fails the command.
std::vector<store::Position> chosenSubscribers(const store::SubscriberTable& table,
                                               const std::vector<std::string>& addresses,
                                               const std::optional<std::string>& filter) {
  if (addresses.empty() && !filter) throw UsageError("name the subscribers or give --filter");
  std::vector<store::Position> chosen;
  std::vector<bool> matched(addresses.size(), false);
  for (store::Position p = 0; p < table.size() && !table.isEmpty(); ++p) {
    const store::SubscriberRecord& r = table.record(p);
    if (r.isDeleted() || (filter && table.filterTitle(p) != *filter)) continue;
    bool wanted = addresses.empty();
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      if (!store::equalsIgnoreCase(r.email(), addresses[i])) continue;
      matched[i] = true;
      wanted = true;
    }
    if (wanted) chosen.push_back(p);
  }
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    if (!matched[i]) throw CommandFailed("no subscriber has the address " + addresses[i]);
  }
  return chosen;
}

std::vector<std::string> positionalFrom(const Arguments& args, std::size_t first) {
  const auto& all = args.positional();
  return {all.begin() + static_cast<long>(std::min(first, all.size())), all.end()};
}

// Runs a change on the chosen subscribers, tells how many changed, and saves.
template <class Change>
int changeSubscribers(CliContext& context, const Arguments& args, std::size_t firstAddress,
                      Change change) {
  SubscriberSession session(context);
  session.load();
  std::vector<store::Position> chosen =
      chosenSubscribers(session.table(), positionalFrom(args, firstAddress), args.option("filter"));
  int before = context.errorCount();
  if (!change(session, chosen)) return 1;
  std::cout << "Changed " << chosen.size() << " subscribers\n";
  int saved = chosen.empty() ? 0 : session.save();
  return saved != 0 ? saved : statusSince(context, before);
}

int toggleSubscribers(CliContext& context, const Arguments& args) {
  args.expect(args.count(), {"filter"});
  return changeSubscribers(context, args, 0, [&](SubscriberSession& s, const auto& chosen) {
    return context.trap().run(store::windowProcedure("mnuToggle"),
                              [&] { subscribers::toggleActive(s.table(), chosen); });
  });
}

int deleteSubscribers(CliContext& context, const Arguments& args) {
  args.expect(args.count(), {"filter"});
  return changeSubscribers(context, args, 0, [&](SubscriberSession& s, const auto& chosen) {
    if (chosen.empty()) return true;
    if (!context.ui().askYesNo("Are you sure?", "Confirm Delete")) return false;
    return context.trap().run(store::windowProcedure("tvDeleteEmail"), [&] {
      for (store::Position p : chosen) s.table().markDeleted(p);
    });
  });
}

int setSignup(CliContext& context, const Arguments& args) {
  args.expect(args.count(), {"filter"});
  std::string answer = args.at(0, "DATE");
  return changeSubscribers(context, args, 1, [&](SubscriberSession& s, const auto& chosen) {
    if (auto refusal = subscribers::checkSignUpAnswer(answer))
      return refuse(context, *refusal) == 0;
    store::Date date = *store::parseDate(answer);
    return context.trap().run(store::windowProcedure("mnuSignUpMod"), [&] {
      for (store::Position p : chosen) s.table().setSignup(p, date);
    });
  });
}

int assignSubscribers(CliContext& context, const Arguments& args) {
  args.expect(args.count(), {"filter"});
  std::string title = args.at(0, "FILTER");
  return changeSubscribers(context, args, 1, [&](SubscriberSession& s, const auto& chosen) {
    if (!store::findFilter(s.filters(), title)) throw CommandFailed("No filter is titled " + title);
    if (!context.ui().askYesNo("Are you sure?", "Assign to Filter")) return false;
    return context.trap().run(store::windowProcedure("mnuLevel2"), [&] {
      for (store::Position p : chosen) s.table().setFilterTitle(p, title);
    });
  });
}

// Every match in table order, as the search window finds them one by one.
int findSubscribers(CliContext& context, const Arguments& args) {
  args.expect(1, {"filter", "fields"});
  std::optional<std::string> fields = args.option("fields");
  if (fields && *fields != "yes" && *fields != "no") throw UsageError("--fields is yes or no");
  SubscriberSession session(context);
  session.load();
  subscribers::SubscriberFinder finder;
  finder.setText(args.at(0, "TEXT"));
  finder.setSearchPersonalFields(fields == "yes");
  subscribers::ShowFilter scope =
      subscribers::ShowFilter::fromText(args.option("filter").value_or(""));
  store::SilentOperator noStartOver;
  std::string out;
  appendCsvLine(out, {"email", "name", "signup", "active", "filter", "sent"});
  while (auto p = finder.findNext(session.table(), scope, noStartOver)) {
    appendSubscriberLine(out, session.table(), *p);
    if (finder.nextStart() >= session.table().size()) break;
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

// The edit dialog's changes on one subscriber: the three fields as one leave, the active box,
// and the removal of sent entries.
int editSubscriber(CliContext& context, const Arguments& args) {
  args.expect(1, {"filter", "email", "name", "signup", "active", "remove-sent"});
  std::optional<std::string> active = args.option("active");
  if (active && *active != "true" && *active != "false") {
    throw UsageError("--active is true or false");
  }
  return changeSubscribers(context, args, 0, [&](SubscriberSession& s, const auto& chosen) {
    if (chosen.size() != 1) throw CommandFailed("the address names more than one subscriber");
    store::Position p = chosen.front();
    subscribers::EditDialogFields now = subscribers::editDialogFields(s.table(), p);
    auto refusal = subscribers::leaveEditField(
        context.trap(), s.table(), p, args.option("email").value_or(now.email),
        args.option("name").value_or(now.name), args.option("signup").value_or(now.signup));
    if (refusal) return refuse(context, *refusal) == 0;
    if (active) subscribers::setActiveChecked(context.trap(), s.table(), p, *active == "true");
    for (const std::string& title : args.all("remove-sent")) {
      subscribers::deleteSentEntry(context.trap(), s.table(), p, title);
    }
    return true;
  });
}

}  // namespace

std::vector<Command> subscriberCommands() {
  return {
      {"subscribers", "[--filter T]", listSubscribers, ProfileAccess::kReads},
      {"add-subscriber", "--email E --name N --filter T", addSubscriber},
      {"import-csv", "FILE --filter T --map FIELD=N [--map FIELD=N ...]", importCsvFile},
      {"toggle", "ADDRESS... | --filter T", toggleSubscribers},
      {"delete", "ADDRESS... | --filter T   (asks; --yes answers)", deleteSubscribers},
      {"set-signup", "DATE ADDRESS... | DATE --filter T", setSignup},
      {"assign", "FILTER ADDRESS... | FILTER --filter T   (asks; --yes answers)",
       assignSubscribers},
      {"find", "TEXT [--filter T] [--fields yes]", findSubscribers, ProfileAccess::kReads},
      {"edit-subscriber",
       "ADDRESS [--filter T] [--email E] [--name N] [--signup DATE] [--active true|false] "
       "[--remove-sent TITLE ...]",
       editSubscriber},
  };
}

}  // namespace tidewell::cli
