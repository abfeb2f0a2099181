#include "stats/subscriber_figures.h"

#include <algorithm>

#include "stats/line_blocks.h"

namespace tidewell::stats {

namespace {

constexpr std::string_view kSentListEnd = "[\\?]";

// One record of the subscriber file at a time (eight lines), kept as the few values the
// figures need: the lines themselves live only as long as the block that holds them.
class RecordScanner {
 public:
  RecordScanner(Tally& tally, const std::vector<OutlookNewsletter>& newsletters, int catchUp,
                const SuppressedEntries& suppressed, std::vector<NewsletterOutlook>& outlook)
      : m_tally(tally),
        m_newsletters(newsletters),
        m_catchUp(catchUp),
        m_suppressed(suppressed),
        m_outlook(outlook),
        m_seen(newsletters.size()) {
    for (const auto& n : newsletters) m_newsletterList.push_back(tally.listOf(n.filter));
  }

  void line(std::string_view text) {
    switch (m_line) {
      case 0:
        m_empty = text.empty();
        if (!m_suppressed.empty()) lowerInto(text, m_address);
        break;
      case 2:
        m_dated = dayNumberOf(text, m_signup);
        break;
      case 3:
        markSent(text);
        break;
      case 4:
        m_active = text == "true";
        break;
      case 5:
        m_list = m_tally.listOf(text);
        break;
      case 7:
        if (!m_empty) commit();
        break;
      default:
        break;
    }
    m_line = (m_line + 1) % 8;
  }

 private:
  static void lowerInto(std::string_view text, std::string& out) {
    out.assign(text);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
  }

  void markSent(std::string_view list) {
    std::fill(m_seen.begin(), m_seen.end(), 0);
    if (m_newsletters.empty() || list == "none") return;
    std::size_t from = 0;
    for (std::size_t end; (end = list.find(kSentListEnd, from)) != std::string_view::npos;
         from = end + kSentListEnd.size()) {
      std::string_view title = list.substr(from, end - from);
      for (std::size_t n = 0; n < m_newsletters.size(); ++n) {
        if (m_newsletters[n].title == title) m_seen[n] = 1;
      }
    }
  }

  bool isSuppressed() const { return !m_suppressed.empty() && m_suppressed.holds(m_address); }

  void commit() {
    ListFigures* list = m_list >= 0 ? &m_tally.list(m_list) : nullptr;
    (m_active ? m_tally.whole().active : m_tally.whole().inactive) += 1;
    if (list) (m_active ? list->active : list->inactive) += 1;
    if (!m_dated) m_tally.damaged();
    if (m_dated) {
      if (DayFigures* day = m_tally.wholeDay(m_signup)) ++day->signups;
      if (DayFigures* day = m_tally.day(m_list, m_signup)) ++day->signups;
    }
    if (list && isSuppressed()) ++list->suppressed;
    for (std::size_t n = 0; n < m_newsletters.size(); ++n) {
      if (m_seen[n]) {
        ++m_outlook[n].sent;
      } else if (m_active && m_dated && m_list >= 0 && m_list == m_newsletterList[n]) {
        countDue(n);
      }
    }
  }

  void countDue(std::size_t n) {
    const engine::Schedule& schedule = m_newsletters[n].schedule;
    if (!schedule.problem.empty()) return;
    const std::int32_t today = m_tally.today();
    std::int64_t day = engine::dueDay(schedule, m_signup, today);
    // A follow-up missed within the catch-up days goes at the next pass.
    if (engine::isDue(schedule, m_signup, today, m_catchUp)) day = today;
    if (day >= today && day < today + kOutlookDays) ++m_outlook[n].due[day - today];
  }

  Tally& m_tally;
  const std::vector<OutlookNewsletter>& m_newsletters;
  std::vector<int> m_newsletterList;  // each newsletter's list in the tally, or -1
  int m_catchUp;
  const SuppressedEntries& m_suppressed;
  std::vector<NewsletterOutlook>& m_outlook;
  std::vector<char> m_seen;  // per newsletter: in this record's sent list
  int m_line = 0;
  bool m_empty = true;
  bool m_dated = false;
  bool m_active = false;
  std::int32_t m_signup = 0;
  int m_list = -1;
  std::string m_address;
};

}  // namespace

void SuppressedEntries::add(std::string entry) {
  if (entry.rfind('@', 0) == 0) {
    m_domains.insert(std::move(entry));
    return;
  }
  std::size_t bit = Hash{}(entry) % kBits;
  m_bits[bit / 64] |= std::uint64_t{1} << (bit % 64);
  m_addresses.insert(std::move(entry));
}

bool SuppressedEntries::holds(std::string_view address) const {
  std::size_t bit = Hash{}(address) % kBits;
  if ((m_bits[bit / 64] >> (bit % 64) & 1) && m_addresses.find(address) != m_addresses.end()) {
    return true;
  }
  std::size_t at = address.rfind('@');
  return at != std::string_view::npos && !m_domains.empty() &&
         m_domains.find(address.substr(at)) != m_domains.end();
}

void readSubscriberFigures(const std::filesystem::path& subscriberFile, Tally& tally,
                           const std::vector<OutlookNewsletter>& newsletters, int catchUpDays,
                           const SuppressedEntries& suppressed,
                           std::vector<NewsletterOutlook>& outlook) {
  outlook.clear();
  for (const auto& n : newsletters) {
    NewsletterOutlook o;
    o.title = n.title;
    o.filter = n.filter;
    o.problem = n.schedule.problem;
    outlook.push_back(std::move(o));
  }
  RecordScanner scanner(tally, newsletters, catchUpDays, suppressed, outlook);
  forEachLine(subscriberFile, [&](std::string_view line) { scanner.line(line); });
}

}  // namespace tidewell::stats
