#pragma once
// Evaluation of a filter's rule list against one message. Rule lines are parsed once, when the
// filter list is compiled, because every downloaded message meets every filter. Stateless.
#include <string>
#include <string_view>
#include <vector>

namespace tidewell::engine {

// What a rule reads of a message.
struct MessageView {
  std::string_view subject;
  std::string_view body;
  std::string_view sender;  // the sender's e-mail address
};

struct CompiledRule {
  enum class Part { kSubject, kBody, kSender };
  enum class Connector { kNone, kAnd, kOr };
  Part part = Part::kSender;
  bool subjectEquals = false;  // logic "=" on the subject; every other test is containment
  std::string keyword;
  Connector connector = Connector::kNone;
};

CompiledRule compileRule(std::string_view line);
std::vector<CompiledRule> compileRules(const std::vector<std::string>& lines);

// Whether one rule holds; every comparison is case-sensitive. A rule without a keyword holds
// for no message.
bool testRule(const CompiledRule& rule, const MessageView& message);

// The verdict of a filter's rules. And binds tighter than Or; a chain of And that runs past the
// last rule ends at the last rule. Rules are tested only when the verdict needs them, which
// gives the same verdict as testing them all because a test changes nothing.
bool EvaluateRules(const std::vector<CompiledRule>& rules, const MessageView& message);

}  // namespace tidewell::engine
