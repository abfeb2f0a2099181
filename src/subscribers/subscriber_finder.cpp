#include "subscribers/subscriber_finder.h"

#include <cstdint>
#include <unordered_map>

#include "store/text.h"

namespace tidewell::subscribers {

namespace {

// Whether a sign-up day's date text holds the needle; days repeat, so each is worked out once.
class DateMatches {
 public:
  explicit DateMatches(std::string_view needle) : m_needle(needle) {}
  bool operator()(std::int32_t day) {
    auto [it, added] = m_known.try_emplace(day, false);
    if (added)
      it->second = store::containsFolded(store::shortDateText(store::fromDayNumber(day)), m_needle);
    return it->second;
  }

 private:
  std::string_view m_needle;
  std::unordered_map<std::int32_t, bool> m_known;
};

}  // namespace

void SubscriberFinder::setText(std::string_view text) {
  m_needle = store::foldCase(store::trim(text));
  m_nextStart = 0;
}

std::optional<store::Position> SubscriberFinder::findNext(const store::SubscriberTable& table,
                                                          const ShowFilter& scope,
                                                          store::OperatorInterface& ui) {
  std::optional<store::Position> found = searchFrom(table, scope, m_nextStart);
  if (!found) {
    if (!ui.askYesNo("Finished searching. Start over from beginning?", "Find")) return std::nullopt;
    found = searchFrom(table, scope, 0);
  }
  m_nextStart = found ? *found + 1 : 0;
  return found;
}

std::optional<store::Position> SubscriberFinder::searchFrom(const store::SubscriberTable& table,
                                                            const ShowFilter& scope,
                                                            store::Position start) const {
  if (table.isEmpty()) return std::nullopt;
  ShowFilter::Matcher inScope = scope.matcher(table);
  DateMatches dateMatches(m_needle);
  for (store::Position p = start; p < table.size(); ++p) {
    const store::SubscriberRecord& r = table.record(p);
    if (!inScope.shows(r)) continue;
    if (dateMatches(r.signupDay()) || store::containsFolded(r.name(), m_needle) ||
        store::containsFolded(r.email(), m_needle)) {
      return p;
    }
    if (!m_searchFields) continue;
    bool inField = false;
    r.forEachField([&](std::size_t, store::TextId, std::string_view value) {
      inField = inField || store::containsFolded(value, m_needle);
    });
    if (inField) return p;
  }
  return std::nullopt;
}

}  // namespace tidewell::subscribers
