#include "subscribers/show_filter.h"

namespace tidewell::subscribers {

namespace {

constexpr std::size_t kFirstFilterPosition = 3;

}  // namespace

std::optional<ShowFilter> ShowFilter::fromListPosition(const std::vector<std::string>& list,
                                                       std::size_t k) {
  switch (k) {
    case 0:
      return ShowFilter();
    case 1:
      return onlyActive();
    case 2:
      return onlyNonActive();
    default:
      if (k >= list.size()) return std::nullopt;
      return filter(list[k]);
  }
}

ShowFilter ShowFilter::fromText(std::string_view text) {
  if (text.empty() || text == kShowAll) return ShowFilter();
  if (text == kShowOnlyActive) return onlyActive();
  if (text == kShowOnlyNonActive) return onlyNonActive();
  return filter(std::string(text));
}

std::string ShowFilter::text() const {
  switch (m_kind) {
    case Kind::kAll:
      return std::string(kShowAll);
    case Kind::kOnlyActive:
      return std::string(kShowOnlyActive);
    case Kind::kOnlyNonActive:
      return std::string(kShowOnlyNonActive);
    case Kind::kFilter:
      break;
  }
  return m_title;
}

ShowFilter::Matcher ShowFilter::matcher(const store::SubscriberTable& table) const {
  Matcher m;
  m.m_kind = m_kind;
  m.m_title = table.titleId(m_title);
  m.m_true = table.activeId("true");
  m.m_false = table.activeId("false");
  return m;
}

bool ShowFilter::Matcher::shows(const store::SubscriberRecord& record) const {
  if (record.isDeleted()) return false;
  switch (m_kind) {
    case Kind::kAll:
      return true;
    case Kind::kOnlyActive:
      return m_true && record.activeId() == *m_true;
    case Kind::kOnlyNonActive:
      return m_false && record.activeId() == *m_false;
    case Kind::kFilter:
      return m_title && m_true && record.filterId() == *m_title && record.activeId() == *m_true;
  }
  return false;
}

std::vector<std::string> LoadShow(const std::vector<store::FilterRecord>& filters) {
  std::vector<std::string> list{std::string(kShowAll), std::string(kShowOnlyActive),
                                std::string(kShowOnlyNonActive)};
  list.reserve(kFirstFilterPosition + filters.size());
  for (const store::FilterRecord& f : filters) list.push_back(f.title);
  return list;
}

std::vector<std::string> assignToFilterMenu(const std::vector<store::FilterRecord>& filters) {
  if (filters.empty()) return {std::string(kNoFilters)};
  std::vector<std::string> menu;
  menu.reserve(filters.size());
  for (const store::FilterRecord& f : filters) menu.push_back(f.title);
  return menu;
}

}  // namespace tidewell::subscribers
