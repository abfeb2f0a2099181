// Confirmed opt-in from the command line: pending, confirm, resend-confirmation, drop-pending
// and consent.

#include <iostream>

#include "cli/commands.h"
#include "cli/engine_session.h"
#include "consent/consent_log.h"
#include "consent/pending_signups.h"
#include "engine/confirmation_desk.h"
#include "store/text.h"

namespace tidewell::cli {

namespace {

std::string dateOrDash(const std::optional<store::Date>& date) {
  return date ? store::shortDateText(*date) : "-";
}

consent::PendingSignups loadPending(SubscriberSession& session) {
  consent::PendingSignups pending(consent::PendingSignups::pathFor(session.profile().path()));
  pending.load();
  return pending;
}

// The filter of the address's waiting sign-up: --filter, or the only one there is.
std::string pendingFilter(consent::PendingSignups& pending, const std::string& address,
                          const Arguments& args) {
  if (auto filter = args.option("filter")) return *filter;
  std::vector<consent::PendingSignup*> found = pending.findAddress(address);
  if (found.size() > 1) throw UsageError(address + " waits in several filters: give --filter");
  return found.empty() ? std::string() : found.front()->filter;
}

int notPending(CliContext& context, const std::string& address) {
  context.ui().showMessage("No sign-up of " + address + " is waiting for confirmation.",
                           "Pending Sign-Ups");
  return 1;
}

int listPending(CliContext& context, const Arguments& args) {
  args.expect(0, {"filter"});
  std::optional<std::string> filter = args.option("filter");
  SubscriberSession session(context);
  session.load();
  consent::PendingSignups pending = loadPending(session);
  std::cout << "email\tfilter\tsignup\tconfirmation sent\treminder sent\texpires\n";
  for (const consent::PendingSignup& s : pending.entries()) {
    if (filter && s.filter != *filter) continue;
    const store::FilterRecord* f = store::findFilter(session.filters(), s.filter);
    int expire = f ? engine::expireDaysOf(*f) : 14;
    std::cout << s.address << '\t' << s.filter << '\t' << store::shortDateText(s.date) << '\t'
              << dateOrDash(s.sent) << '\t' << dateOrDash(s.reminded) << '\t'
              << store::shortDateText(store::fromDayNumber(store::toDayNumber(s.date) + expire))
              << '\n';
  }
  return std::cout.flush() ? 0 : 1;
}

int confirmPending(CliContext& context, const Arguments& args) {
  args.expect(1, {"filter"});
  std::string address = args.at(0, "ADDRESS");
  EngineSession session(context);
  engine::SubscriberIndex index(session.subscribers().table(),
                                engine::SubscriberIndex::Comparison::kExact);
  engine::ConfirmationDesk desk(session.engine().context(), index);
  std::string filter = pendingFilter(desk.pending(), address, args);
  int before = context.errorCount();
  if (!desk.confirm(address, filter, "cli", "")) return notPending(context, address);
  int saved = session.finish();
  if (saved == 0) context.trap().run(store::Procedure{"confirm"}, [&] { desk.save(); });
  std::cerr << address << " is now a subscriber of " << filter << ".\n";
  return saved != 0 ? saved : statusSince(context, before);
}

// Shared by resend-confirmation and drop-pending: the desk over the subscribers, the change,
// then the pending file written.
template <class Change>
int changePending(CliContext& context, const Arguments& args, Change change) {
  args.expect(1, {"filter"});
  std::string address = args.at(0, "ADDRESS");
  EngineSession session(context);
  engine::SubscriberIndex index(session.subscribers().table(),
                                engine::SubscriberIndex::Comparison::kExact);
  engine::ConfirmationDesk desk(session.engine().context(), index);
  std::string filter = pendingFilter(desk.pending(), address, args);
  if (!desk.pending().find(address, filter)) return notPending(context, address);
  int before = context.errorCount();
  change(desk, address, filter);
  context.trap().run(store::Procedure{"pending"}, [&] { desk.save(); });
  return statusSince(context, before);
}

int resendConfirmation(CliContext& context, const Arguments& args) {
  return changePending(
      context, args,
      [](engine::ConfirmationDesk& desk, const std::string& address, const std::string& filter) {
        consent::PendingSignup* signup = desk.pending().find(address, filter);
        signup->sent.reset();
        signup->reminded.reset();
        desk.pending().markChanged();
        std::cerr << "The confirmation goes to " << address << " again at the next sending pass.\n";
      });
}

int dropPending(CliContext& context, const Arguments& args) {
  return changePending(
      context, args,
      [](engine::ConfirmationDesk& desk, const std::string& address, const std::string& filter) {
        desk.drop(address, filter, "dropped by the operator");
        std::cerr << "The sign-up of " << address << " to " << filter << " was dropped.\n";
      });
}

int showConsent(CliContext& context, const Arguments& args) {
  args.expect(1, {});
  std::string address = args.at(0, "ADDRESS");
  SubscriberSession session(context);
  session.load();
  std::vector<consent::ConsentEntry> entries =
      consent::consentOf(session.profile().path().parent_path(), address);
  std::cout << "date\ttime\temail\tfilter\thow\tsignup message\tconfirmation message\tip\t"
               "confirmation text\ttext sha256\n";
  for (const consent::ConsentEntry& e : entries) std::cout << consent::consentLine(e) << '\n';
  consent::PendingSignups pending = loadPending(session);
  for (consent::PendingSignup* s : pending.findAddress(address)) {
    std::cerr << "Waiting for confirmation in " << s->filter << " since "
              << store::shortDateText(s->date) << ".\n";
  }
  if (entries.empty()) std::cerr << "No consent is on record for " << address << ".\n";
  return std::cout.flush() ? 0 : 1;
}

}  // namespace

std::vector<Command> consentCommands() {
  return {
      {"pending", "[--filter T]   the sign-ups waiting for confirmation", listPending,
       ProfileAccess::kReads},
      {"confirm", "ADDRESS [--filter T]   confirm a waiting sign-up by hand", confirmPending},
      {"resend-confirmation", "ADDRESS [--filter T]   send the confirmation again",
       resendConfirmation},
      {"drop-pending", "ADDRESS [--filter T]   drop a waiting sign-up", dropPending},
      {"consent", "ADDRESS   the consent on record for one person", showConsent,
       ProfileAccess::kReads},
  };
}

}  // namespace tidewell::cli
