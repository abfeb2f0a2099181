#include "engine/filter_matcher.h"

#include "engine/field_extraction.h"
#include "store/profile_document.h"

namespace tidewell::engine {

namespace {

// The first record of the address in the filter with this title (exact comparisons).
std::optional<store::Position> recordIn(const store::SubscriberTable& table, SubscriberIndex& index,
                                        std::string_view address, std::string_view title) {
  for (store::Position p : index.find(address)) {
    if (table.filterTitle(p) == title) return p;
  }
  return std::nullopt;
}

// The address the subscriber record of a sign-up gets: the form's or extract keys' e-mail field
// when it has a value (a web-form sign-up comes from the kit, not from the visitor), else the
// sender's.
std::string signUpAddress(const MessageView& message, const store::FilterRecord& filter) {
  std::string address = ExtractFields(message.body, filter).fields[0].value;
  return address.empty() ? std::string(message.sender) : address;
}

}  // namespace

FilterMatcher::FilterMatcher(const std::vector<store::FilterRecord>& filters) : m_filters(filters) {
  m_rules.reserve(filters.size());
  for (const auto& filter : filters) m_rules.push_back(compileRules(filter.rules));
}

MatchResult FilterMatcher::MatchFilter(const MessageView& message, store::SubscriberTable& table,
                                       SubscriberIndex& index) const {
  for (std::size_t f = 0; f < m_filters.size(); ++f) {
    if (EvaluateRules(m_rules[f], message)) {
      return signUp(m_filters[f], signUpAddress(message, m_filters[f]), table, index);
    }
  }
  return optOut(message);
}

const store::FilterRecord* FilterMatcher::claimingFilter(const MessageView& message) const {
  for (std::size_t f = 0; f < m_filters.size(); ++f) {
    if (EvaluateRules(m_rules[f], message)) return &m_filters[f];
  }
  return nullptr;
}

const store::FilterRecord* FilterMatcher::optOutFilter(const MessageView& message) const {
  return optOut(message).filter;
}

MatchResult FilterMatcher::signUp(const store::FilterRecord& filter, std::string_view sender,
                                  store::SubscriberTable& table, SubscriberIndex& index) const {
  if (recordIn(table, index, sender, filter.title)) {
    return {MatchResult::Kind::kNone, nullptr, std::nullopt, true};
  }
  MatchResult result{MatchResult::Kind::kSignUp, &filter, std::nullopt};
  if (filter.autounsubscribe != store::kAbsent) {
    if (auto p = recordIn(table, index, sender, filter.autounsubscribe)) {
      table.setActive(*p, "false");
      table.setChanged();
      result.unsubscribed = p;
    }
  }
  return result;
}

MatchResult FilterMatcher::optOut(const MessageView& message) const {
  for (const auto& filter : m_filters) {
    if (message.subject != filter.title) continue;
    std::string marker = "@@@" + (filter.optout == store::kAbsent ? std::string() : filter.optout);
    if (message.body.find(marker) != std::string_view::npos) {
      return {MatchResult::Kind::kOptOut, &filter, std::nullopt};
    }
  }
  return {};
}

}  // namespace tidewell::engine
