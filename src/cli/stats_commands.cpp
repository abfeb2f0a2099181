// Commands that look at a profile without changing it: stats, preview, and test-send (which
// mails a newsletter to the operator and records nothing).

#include <iostream>

#include "cli/commands.h"
#include "cli/engine_session.h"
#include "stats/statistics_reader.h"
#include "stats/statistics_text.h"
#include "store/profile_document.h"
#include "store/text.h"

namespace tidewell::cli {

namespace {

int stats(CliContext& context, const Arguments& args) {
  args.expect(0, {"filter", "days", "csv"});
  stats::StatisticsRequest request;
  request.profilePath = context.profilePath();
  request.today = context.trap().clock().today();
  request.now = context.trap().clock().secondsNow();
  request.filter = args.option("filter").value_or("");
  if (auto days = args.option("days")) {
    request.periodDays = toInt(*days, "--days");
    bool known = false;
    for (int period : stats::kPeriods) known = known || period == request.periodDays;
    if (!known) throw UsageError("--days is 30, 90 or 365");
  }
  store::ProfileDocument profile = context.profileStore().load();
  stats::Statistics figures;
  try {
    figures = stats::readStatistics(profile, request);
  } catch (const std::invalid_argument& e) {
    throw CommandFailed(e.what());
  }
  std::cout << (args.option("csv") ? stats::statisticsCsv(figures)
                                   : stats::statisticsText(figures));
  return 0;
}

int newsletterIndex(const store::ProfileDocument& profile, const std::string& title) {
  for (int i : profile.indexesInTreeOrder()) {
    if (profile.getExactKey(i, "title") == title &&
        store::equalsIgnoreCase(profile.get(i, "name"), store::kNewsletterOpening)) {
      return i;
    }
  }
  throw CommandFailed("no newsletter is titled " + title);
}

// The newsletter personalised for the subscriber with `address` (or the first active one of
// its list when address is empty).
engine::NewsletterPreview previewFor(EngineSession& session, const std::string& title,
                                     const std::string& address) {
  store::ProfileDocument profile = session.subscribers().profile().load();
  int index = newsletterIndex(profile, title);
  std::string list = profile.getExactKey(index, "rule");
  auto p = engine::previewSubscriber(session.subscribers().table(), address, list);
  if (!p) {
    throw CommandFailed(address.empty() ? "the list " + list + " has no active subscriber"
                                        : "no subscriber has the address " + address);
  }
  engine::NewsletterPreview preview = session.engine().preview(index, *p);
  if (!preview.problem.empty()) throw CommandFailed(preview.problem);
  return preview;
}

int preview(CliContext& context, const Arguments& args) {
  args.expect(1, {"newsletter"});
  EngineSession session(context);
  engine::NewsletterPreview preview =
      previewFor(session, args.required("newsletter"), args.at(0, "ADDRESS"));
  std::cout << session.engine().messageText(preview.message);
  return 0;
}

int testSend(CliContext& context, const Arguments& args) {
  args.expect(0, {"newsletter", "as", "to"});
  EngineSession session(context);
  engine::NewsletterPreview preview =
      previewFor(session, args.required("newsletter"), args.option("as").value_or(""));
  std::string to = args.option("to").value_or(engine::testAddressOf(session.engine().campaign()));
  if (to.empty()) throw CommandFailed("the profile has no reply address; give one with --to");
  std::string problem;
  if (!session.engine().sendTest(preview.message, to, problem)) {
    throw CommandFailed("the test of " + preview.title + " was not sent: " + problem);
  }
  std::cerr << "Test of " << preview.title << " as " << preview.message.toAddress << " sent to "
            << to << '\n';
  return 0;
}

}  // namespace

std::vector<Command> statsCommands() {
  return {
      {"stats", "[--filter T] [--days 30|90|365] [--csv]   how the lists are doing", stats,
       ProfileAccess::kReads},
      {"preview", "--newsletter TITLE ADDRESS   the message as it would be sent to ADDRESS",
       preview, ProfileAccess::kReads},
      {"test-send",
       "--newsletter TITLE [--as ADDRESS] [--to ADDRESS]   mail a newsletter to yourself",
       testSend},
  };
}

}  // namespace tidewell::cli
