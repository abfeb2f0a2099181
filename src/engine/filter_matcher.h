#pragma once
// Decides for each downloaded message which filter claims it as a sign-up, whether it asks to
// leave a list, or neither. Compiles the filter list's rules once per check cycle; the filter
// list must outlive it. One thread (the one that owns the subscriber table).
#include <optional>
#include <vector>

#include "engine/rule_evaluation.h"
#include "engine/subscriber_index.h"
#include "store/filter_record.h"
#include "store/subscriber_table.h"

namespace tidewell::engine {

struct MatchResult {
  enum class Kind { kNone, kSignUp, kOptOut };
  Kind kind = Kind::kNone;
  const store::FilterRecord* filter = nullptr;  // the filter of a sign-up or of an opt-out
  // The record a sign-up switched off in the filter named by "autounsubscribe".
  std::optional<store::Position> unsubscribed;
  // No sign-up because a filter claimed it but the address is on that filter's list already.
  bool alreadySubscribed = false;
};

class FilterMatcher {
 public:
  explicit FilterMatcher(const std::vector<store::FilterRecord>& filters);

  // The first filter whose rules hold claims the message, unless the address the record would
  // get (the form's e-mail field, else the sender) is already its subscriber; a claim switches
  // that address off in the filter named by the claiming filter's
  // "autounsubscribe". A message no filter claims is an opt-out when its subject is a filter's
  // title and its body holds "@@@" and that filter's opt-out value.
  MatchResult MatchFilter(const MessageView& message, store::SubscriberTable& table,
                          SubscriberIndex& index) const;
  // The first filter whose rules hold, or nullptr; nothing else is decided or changed.
  const store::FilterRecord* claimingFilter(const MessageView& message) const;
  // The filter a mail program's or the kit's opt-out message names (its subject is the filter's
  // title and its body holds "@@@" and the filter's opt-out value), or nullptr.
  const store::FilterRecord* optOutFilter(const MessageView& message) const;

 private:
  MatchResult signUp(const store::FilterRecord& filter, std::string_view sender,
                     store::SubscriberTable& table, SubscriberIndex& index) const;
  MatchResult optOut(const MessageView& message) const;

  const std::vector<store::FilterRecord>& m_filters;
  std::vector<std::vector<CompiledRule>> m_rules;
};

}  // namespace tidewell::engine
