#include "engine/rule_evaluation.h"

#include "engine/rule_line.h"

namespace tidewell::engine {

namespace {

using Connector = CompiledRule::Connector;

Connector connectorOf(std::string_view text) {
  if (text == "And") return Connector::kAnd;
  if (text == "Or") return Connector::kOr;
  return Connector::kNone;
}

// The rules numbered from 1 with their results worked out on first use; c(0) and connectors past
// the end read as none, and so does an "And" on the last rule: there is nothing left to join.
class RuleResults {
 public:
  RuleResults(const std::vector<CompiledRule>& rules, const MessageView& message)
      : m_rules(rules), m_message(message), m_known(rules.size() + 2, kUnknown) {}

  std::size_t count() const { return m_rules.size(); }

  bool r(std::size_t i) {
    if (m_known[i] == kUnknown) m_known[i] = testRule(m_rules[i - 1], m_message) ? kTrue : kFalse;
    return m_known[i] == kTrue;
  }

  Connector c(std::size_t i) const {
    if (i == 0 || i > m_rules.size()) return Connector::kNone;
    Connector c = m_rules[i - 1].connector;
    if (i == m_rules.size() && c == Connector::kAnd) return Connector::kNone;
    return c;
  }

 private:
  static constexpr signed char kUnknown = -1, kFalse = 0, kTrue = 1;
  const std::vector<CompiledRule>& m_rules;
  const MessageView& m_message;
  std::vector<signed char> m_known;
};

// Rule j closes the chain that rule s opens: the first rule from s on without "And".
std::size_t chainEnd(const RuleResults& rules, std::size_t s) {
  std::size_t j = s;
  while (j < rules.count() && rules.c(j) == Connector::kAnd) ++j;
  return j;
}

}  // namespace

CompiledRule compileRule(std::string_view line) {
  CompiledRule rule;
  std::string spec = ff_get_field(line, 1);
  if (spec == "Subject") {
    rule.part = CompiledRule::Part::kSubject;
    rule.subjectEquals = ff_get_field(line, 2) == "=";
  } else if (spec == "Body") {
    rule.part = CompiledRule::Part::kBody;
  }
  rule.keyword = ff_get_field(line, 3);
  rule.connector = connectorOf(ff_get_field(line, 4));
  return rule;
}

std::vector<CompiledRule> compileRules(const std::vector<std::string>& lines) {
  std::vector<CompiledRule> rules;
  rules.reserve(lines.size());
  for (const auto& line : lines) rules.push_back(compileRule(line));
  return rules;
}

bool testRule(const CompiledRule& rule, const MessageView& message) {
  // A line that lost its keyword would otherwise claim every message that arrives.
  if (rule.keyword.empty()) return false;
  switch (rule.part) {
    case CompiledRule::Part::kSubject:
      if (rule.subjectEquals) return message.subject == rule.keyword;
      return message.subject.find(rule.keyword) != std::string_view::npos;
    case CompiledRule::Part::kBody:
      return message.body.find(rule.keyword) != std::string_view::npos;
    case CompiledRule::Part::kSender:
      return message.sender.find(rule.keyword) != std::string_view::npos;
  }
  return false;
}

bool EvaluateRules(const std::vector<CompiledRule>& compiled, const MessageView& message) {
  RuleResults rules(compiled, message);
  const std::size_t n = rules.count();
  bool verdict = false;
  std::size_t i = 1;
  while (i <= n) {
    if (rules.c(i) != Connector::kAnd) {
      if (rules.r(i)) {
        verdict = true;
      } else if (i >= 2 && rules.c(i - 1) == Connector::kAnd) {
        verdict = false;
      }
      ++i;
      continue;
    }
    const std::size_t s = i;
    const std::size_t j = chainEnd(rules, s);
    for (std::size_t k = s; k < j; ++k) {
      if (rules.r(k) && rules.r(k + 1)) {
        verdict = true;
      } else if (rules.c(s - 1) != Connector::kOr) {
        verdict = false;
        break;
      }
    }
    std::size_t k = j;
    if (j + 1 < n && rules.c(j + 1) == Connector::kOr) {
      k = j + 1;
      if (rules.r(j + 1)) return true;
    }
    i = k + 1;
  }
  return verdict;
}

}  // namespace tidewell::engine
