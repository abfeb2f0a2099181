#pragma once
// The grid's show filter (`Combo1` of the user panel): "All", "Only Active", "Only Non-Active"
// or one filter's title, and which records it shows. Held by the subscriber grid; one thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/filter_record.h"
#include "store/subscriber_table.h"

namespace tidewell::subscribers {

inline constexpr std::string_view kShowAll = "All";
inline constexpr std::string_view kShowOnlyActive = "Only Active";
inline constexpr std::string_view kShowOnlyNonActive = "Only Non-Active";
inline constexpr std::string_view kNoFilters = "No Filters";

class ShowFilter {
 public:
  enum class Kind { kAll, kOnlyActive, kOnlyNonActive, kFilter };

  ShowFilter() = default;
  static ShowFilter filter(std::string title) {
    return ShowFilter(Kind::kFilter, std::move(title));
  }
  static ShowFilter onlyActive() { return ShowFilter(Kind::kOnlyActive, {}); }
  static ShowFilter onlyNonActive() { return ShowFilter(Kind::kOnlyNonActive, {}); }
  // Entry k of the list LoadShow builds; positions from 3 are filters, so a filter titled
  // "All" is still that filter. Nothing for a position past the list.
  static std::optional<ShowFilter> fromListPosition(const std::vector<std::string>& list,
                                                    std::size_t k);
  // From the text of the list: the three fixed entries by their text, empty text as "All",
  // any other text as a filter title.
  static ShowFilter fromText(std::string_view text);

  Kind kind() const { return m_kind; }
  const std::string& title() const { return m_title; }
  // The text the list shows for it.
  std::string text() const;

  // Answers "is this record shown" for one table without comparing texts per record.
  class Matcher {
   public:
    bool shows(const store::SubscriberRecord& record) const;

   private:
    friend class ShowFilter;
    Kind m_kind = Kind::kAll;
    std::optional<store::TextId> m_title;
    std::optional<store::TextId> m_true;
    std::optional<store::TextId> m_false;
  };
  // A record is shown under "All"; under "Only Active" when its active text is "true"; under
  // "Only Non-Active" when it is "false"; under a filter when its filter title is that title
  // exactly and it is active. Deleted records are never shown.
  Matcher matcher(const store::SubscriberTable& table) const;

 private:
  ShowFilter(Kind kind, std::string title) : m_kind(kind), m_title(std::move(title)) {}

  Kind m_kind = Kind::kAll;
  std::string m_title;
};

// The show-filter list: the three fixed entries, then every filter's title in profile order.
std::vector<std::string> LoadShow(const std::vector<store::FilterRecord>& filters);
// The "Assign to Filter" menu: every filter's title, or only "No Filters".
std::vector<std::string> assignToFilterMenu(const std::vector<store::FilterRecord>& filters);

}  // namespace tidewell::subscribers
