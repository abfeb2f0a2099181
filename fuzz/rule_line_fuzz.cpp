// Rule lines of any text and a message: the fields of a line come back from the line the editor
// makes of them (when they hold no angle brackets), and any rules evaluate without harm.

#include "engine/rule_evaluation.h"
#include "engine/rule_line.h"
#include "fuzz/fuzz_support.h"
#include "store/text.h"

using namespace tidewell;

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parts = fuzz::splitInput(data, size, 4);
  std::vector<std::string> lines = store::split(parts[0], "\n");
  for (const std::string& line : lines) checkLine(line);

  // The verdict's reading of And before Or is pinned for every shape by a table test; here
  // any lines and message only have to be evaluated without harm.
  engine::EvaluateRules(engine::compileRules(lines), {parts[1], parts[2], parts[3]});
  return 0;
}
