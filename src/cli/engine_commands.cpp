// Engine commands: set-rules, optin-html, optout-link, web-kit, check, send, forced-send.

#include <chrono>
#include <iostream>

#include "cli/commands.h"
#include "cli/engine_session.h"
#include "editor/optin_form.h"
#include "editor/optout_link.h"
#include "editor/subject_keywords.h"
#include "editor/web_kit.h"
#include "engine/rule_line.h"
#include "store/profile_settings.h"
#include "store/text.h"

namespace tidewell::cli {

namespace {

const store::FilterRecord& filterTitled(const std::vector<store::FilterRecord>& filters,
                                        const std::string& title) {
  const store::FilterRecord* filter = store::findFilter(filters, title);
  if (!filter) throw CommandFailed("no filter is titled " + title);
  return *filter;
}

// "Spec|Logic|Keyword|And-Or" with the rule editor's checks.
std::string ruleLineOf(const std::string& text, bool last) {
  std::vector<std::string> parts = store::split(text, "|");
  if (parts.size() == 3) parts.emplace_back();
  if (parts.size() != 4) throw UsageError("a rule is Spec|Logic|Keyword|And-Or: " + text);
  const auto& [spec, logic, keyword, connector] = std::tie(parts[0], parts[1], parts[2], parts[3]);
  if (spec != "Subject" && spec != "Body" && spec != "From") {
    throw UsageError("a rule tests Subject, Body or From: " + text);
  }
  if (logic != "=" && logic != "Has") throw UsageError("a rule's logic is = or Has: " + text);
  if (keyword.empty()) throw UsageError("a rule needs a keyword: " + text);
  if (!connector.empty() && connector != "And" && connector != "Or") {
    throw UsageError("a rule's connector is And, Or or nothing: " + text);
  }
  if (last && connector == "And") throw UsageError("the last rule cannot end with And: " + text);
  // Body and From rules always test containment.
  return engine::makeRuleLine(spec, spec == "Subject" ? logic : "Has", keyword, connector);
}

int setRules(CliContext& context, const Arguments& args) {
  if (args.count() < 1) throw UsageError("set-rules needs a filter title");
  std::vector<std::string> lines;
  for (std::size_t i = 1; i < args.count(); ++i) {
    lines.push_back(ruleLineOf(args.positional()[i], i + 1 == args.count()));
  }
  store::ProfileStore profile = context.profileStore();
  int index = filterTitled(store::loadFilterList(profile.load()), args.at(0, "FILTER")).indexNumber;
  bool changed = profile.change(store::Procedure{"UpdateFile"}, [&](store::ProfileDocument& doc) {
    for (int n = 1; doc.getExactKey(index, "rule" + std::to_string(n)) != store::kAbsent; ++n) {
      doc.deleteKey(index, "rule" + std::to_string(n));
    }
    for (std::size_t n = 0; n < lines.size(); ++n) {
      doc.set(index, "rule" + std::to_string(n + 1), lines[n]);
    }
  });
  return changed ? 0 : 1;
}

// The profile's web kit address; the form and the link refuse to point anywhere else.
std::string kitAddressOf(const store::ProfileDocument& doc) {
  editor::KitAddress kit = editor::kitAddressOf(doc);
  if (kit.problem) throw CommandFailed(*kit.problem);
  return kit.address;
}

int optinHtml(CliContext& context, const Arguments& args) {
  args.expect(1, {"subject"});
  store::ProfileStore profile = context.profileStore();
  store::ProfileDocument doc = profile.load();
  const auto filters = store::loadFilterList(doc);
  const store::FilterRecord& filter = filterTitled(filters, args.at(0, "FILTER"));
  auto keywords = editor::subjectKeywords(filter);
  auto subject = editor::chooseSubject(keywords, [&](const std::vector<std::string>& choices) {
    auto given = args.option("subject");
    if (!given) {
      throw CommandFailed("the filter has several subjects; choose one with --subject: " +
                          store::joinLinesCrLf(choices));
    }
    if (std::find(choices.begin(), choices.end(), *given) == choices.end()) {
      throw CommandFailed("not one of the filter's subjects: " + *given);
    }
    return std::optional<std::string>(*given);
  });
  editor::OptInFormInputs inputs;
  inputs.kitAddress = kitAddressOf(doc);
  inputs.listAddress = profile.GetFromFile_new(store::kServerBlock, "email");
  inputs.subjectKeyword = subject.value_or("");
  inputs.redirect = doc.getExactKey(filter.indexNumber, "redirect");
  for (std::string* value : {&inputs.listAddress, &inputs.redirect}) {
    if (*value == store::kAbsent) value->clear();
  }
  std::cout << editor::optInFormHtml(filter.fieldTable, inputs) << '\n';
  return 0;
}

int optoutLink(CliContext& context, const Arguments& args) {
  args.expect(1, {});
  store::ProfileStore profile = context.profileStore();
  store::ProfileDocument doc = profile.load();
  const auto filters = store::loadFilterList(doc);
  const store::FilterRecord& filter = filterTitled(filters, args.at(0, "FILTER"));
  std::string address = doc.getExactKey(store::kServerBlock, "email");
  std::string delimiter = doc.getExactKey(store::kFiltersBlock, "fielddelimiter");
  if (address == store::kAbsent) address.clear();
  if (delimiter == store::kAbsent) delimiter = store::kDefaultFieldDelimiter;
  std::cout << editor::optOutLink(kitAddressOf(doc), address, filter.title, delimiter) << '\n';
  return 0;
}

int webKit(CliContext& context, const Arguments& args) {
  args.expect(0, {"out"});
  std::filesystem::path folder = args.required("out");
  store::ProfileStore profile = context.profileStore();
  editor::WrittenWebKit kit = editor::writeProfileWebKit(
      profile, context.cipher(), store::shortDateText(context.trap().clock().today()), folder);
  if (kit.problem) throw CommandFailed(*kit.problem);
  std::cout << kit.uploadText << '\n';
  return 0;
}

// --retry-wait SECONDS: the wait before a recipient's second try (the third waits twice as long).
void applyRetryWait(EngineSession& session, const Arguments& args) {
  if (auto wait = args.option("retry-wait"))
    session.engine().setRetryWait(std::chrono::seconds(toInt(*wait, "--retry-wait")));
}

int check(CliContext& context, const Arguments& args) {
  args.expect(0, {"retry-wait"});
  EngineSession session(context);
  applyRetryWait(session, args);
  int before = context.errorCount();
  session.engine().cmdCheckMail_click();
  int saved = session.finish();
  return saved != 0 ? saved : statusSince(context, before);
}

int send(CliContext& context, const Arguments& args) {
  args.expect(0, {"retry-wait"});
  EngineSession session(context);
  applyRetryWait(session, args);
  int before = context.errorCount();
  bool sent = session.engine().VBSendMessage();
  std::cerr << (sent ? "New messages have been sent!" : "No new messages sent.") << '\n';
  int saved = session.finish();
  return saved != 0 ? saved : statusSince(context, before);
}

int forcedSend(CliContext& context, const Arguments& args) {
  if (args.count() < 1) throw UsageError("forced-send needs at least one address");
  std::string title = args.required("newsletter");
  EngineSession session(context);
  auto& table = session.subscribers().table();
  int index = 0;
  store::ProfileDocument profile = session.subscribers().profile().load();
  for (int i : profile.indexesInTreeOrder()) {
    if (profile.getExactKey(i, "title") == title &&
        store::equalsIgnoreCase(profile.get(i, "name"), store::kNewsletterOpening)) {
      index = i;
    }
  }
  if (index == 0) throw CommandFailed("no newsletter is titled " + title);
  std::vector<store::Position> positions;
  for (const auto& address : args.positional()) {
    bool found = false;
    for (store::Position p = 0; !table.isEmpty() && p < table.size(); ++p) {
      if (table.record(p).email() == address && !table.record(p).isDeleted()) {
        positions.push_back(p);
        found = true;
      }
    }
    if (!found) throw CommandFailed("no subscriber has the address " + address);
  }
  int before = context.errorCount();
  session.engine().forcedSend(positions, index);
  int saved = session.finish();
  return saved != 0 ? saved : statusSince(context, before);
}

}  // namespace

std::vector<Command> engineCommands() {
  return {
      {"set-rules", "FILTER RULE...   (RULE is \"Spec|Logic|Keyword|And-Or\")", setRules},
      {"optin-html", "FILTER [--subject KEYWORD]", optinHtml, ProfileAccess::kReads},
      {"optout-link", "FILTER", optoutLink, ProfileAccess::kReads},
      {"web-kit", "--out DIR   write the web kit for the profile's web site", webKit},
      {"check", "[--retry-wait SECONDS]   one check cycle: download, process, sending pass", check},
      {"send", "[--retry-wait SECONDS]   one sending pass", send},
      {"forced-send", "--newsletter TITLE ADDRESS...", forcedSend},
  };
}

}  // namespace tidewell::cli
