// Rule lines of any text and a message: the fields of a line come back from the line the editor
// makes of them (when they hold no angle brackets), and a filter's verdict is the usual reading
// of And before Or for the shapes it is defined by (every rule but the last joined by And or Or,
// chains of at most two rules), true when every rule holds and false when none.

#include "engine/rule_evaluation.h"
#include "engine/rule_line.h"
#include "fuzz/fuzz_support.h"
#include "store/text.h"

using namespace tidewell;
using engine::CompiledRule;
using Connector = CompiledRule::Connector;

namespace {

void checkLine(const std::string& line) {
  engine::ruleDisplayText(line);
  std::string fields[4];
  for (int n = 1; n <= 4; ++n) {
    fields[n - 1] = engine::ff_get_field(line, n);
    std::string editor = engine::ff_get_field_editor(line, n);
    bool closed = line.find(">" + std::to_string(n) + ">") != std::string::npos;
    FUZZ_CHECK(closed ? editor == fields[n - 1] : editor == "!");
  }
  // Fields with angle brackets can form tags with their neighbours ("3<" after "<1<").
  for (const std::string& f : fields) {
    if (f.find_first_of("<>") != std::string::npos) return;
  }
  std::string made = engine::makeRuleLine(fields[0], fields[1], fields[2], fields[3]);
  for (int n = 1; n <= 3; ++n) FUZZ_CHECK(engine::ff_get_field(made, n) == fields[n - 1]);
  if (!store::trim(fields[3]).empty()) FUZZ_CHECK(engine::ff_get_field(made, 4) == fields[3]);
}

// The connector after rule i as the verdict reads it: an And on the last rule joins nothing.
bool joinsNext(const std::vector<CompiledRule>& rules, std::size_t i) {
  return i + 1 < rules.size() && rules[i].connector == Connector::kAnd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parts = fuzz::splitInput(data, size, 4);
  std::vector<std::string> lines = store::split(parts[0], "\n");
  for (const std::string& line : lines) checkLine(line);

  engine::MessageView message{parts[1], parts[2], parts[3]};
  std::vector<CompiledRule> rules = engine::compileRules(lines);
  bool verdict = engine::EvaluateRules(rules, message);
  bool all = !rules.empty();
  bool any = false;
  bool shortChains = true;
  bool usual = false;  // the Or of the And-chains
  bool chain = true;
  for (std::size_t i = 0; i < rules.size(); ++i) {
    bool holds = engine::testRule(rules[i], message);
    all = all && holds;
    any = any || holds;
    chain = chain && holds;
    if (joinsNext(rules, i)) {
      shortChains = shortChains && !(i > 0 && joinsNext(rules, i - 1));
      continue;
    }
    // A rule without a connector before the last is outside the shapes (it resets an Or).
    if (i + 1 < rules.size()) shortChains = shortChains && rules[i].connector == Connector::kOr;
    usual = usual || chain;
    chain = true;
  }
  if (all) FUZZ_CHECK(verdict);
  if (!any) FUZZ_CHECK(!verdict);
  if (shortChains) FUZZ_CHECK(verdict == usual);
  return 0;
}
