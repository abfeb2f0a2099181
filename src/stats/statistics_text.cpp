#include "stats/statistics_text.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <vector>

#include "store/date_text.h"

namespace tidewell::stats {

namespace {

using Row = std::vector<std::string>;

std::string capText(int cap) {
  return cap > 0 ? std::to_string(cap) : "none";
}

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// Columns padded to their widest cell, two blanks apart.
std::string table(const std::vector<Row>& rows) {
  std::vector<std::size_t> widths;
  for (const Row& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  std::string out;
  for (const Row& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) line += "  ";
      line += row[i];
      if (i + 1 < row.size()) line.append(widths[i] - row[i].size(), ' ');
    }
    out += line + "\n";
  }
  return out;
}

std::string csv(const std::vector<Row>& rows) {
  std::string out;
  for (const Row& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) out += (i ? "," : "") + csvField(row[i]);
    out += "\n";
  }
  return out;
}

std::string n(std::int64_t value) {
  return std::to_string(value);
}

std::vector<Row> listRows(const Statistics& s) {
  std::vector<Row> rows = {{"list", "active", "inactive", "pending", "suppressed", "sign-ups",
                            "opt-outs", "switch-offs", "net"}};
  auto add = [&](const ListFigures& l, const std::string& title) {
    rows.push_back({title, n(l.active), n(l.inactive), n(l.pending), n(l.suppressed),
                    n(l.signups()), n(l.optouts()), n(l.switchOffs()),
                    n(l.signups() - l.optouts() - l.switchOffs())});
  };
  for (const auto& l : s.lists) add(l, l.title);
  add(s.whole, "(whole profile)");
  return rows;
}

// The days of the one list shown, else of the whole profile.
const ListFigures& shownDays(const Statistics& s) {
  return s.lists.size() == 1 ? s.lists.front() : s.whole;
}

std::vector<Row> dayRows(const Statistics& s) {
  Row header = {"date", "sign-ups", "opt-outs"};
  for (auto name : kSwitchOffNames) header.emplace_back(name);
  header.insert(header.end(), {"net", "sent"});
  std::vector<Row> rows = {header};
  const ListFigures& list = shownDays(s);
  for (std::size_t i = 0; i < list.days.size(); ++i) {
    const DayFigures& d = list.days[i];
    Row row = {dayText(d.day), n(d.signups), n(d.optouts)};
    for (std::int64_t off : d.switchOffs) row.push_back(n(off));
    row.push_back(n(d.net()));
    row.push_back(n(i < s.sends.perDay.size() ? s.sends.perDay[i] : 0));
    rows.push_back(row);
  }
  return rows;
}

std::vector<Row> sendRows(const Statistics& s) {
  const SendFigures& f = s.sends;
  return {{"window", "sent", "cap"},
          {"last minute", n(f.lastMinute), capText(f.capMinute)},
          {"last hour", n(f.lastHour), capText(f.capHour)},
          {"last day", n(f.lastDay), capText(f.capDay)}};
}

std::vector<Row> hourRows(const Statistics& s) {
  std::vector<Row> rows = {{"hours ago", "sent"}};
  for (std::size_t i = 0; i < s.sends.perHour.size(); ++i) {
    rows.push_back({n(static_cast<std::int64_t>(23 - i)), n(s.sends.perHour[i])});
  }
  return rows;
}

// The most struck first; `most` rows at most.
std::vector<Row> strikeRows(const Statistics& s, std::size_t most = SIZE_MAX) {
  std::vector<Row> rows = {{"address", "strikes", "first", "last"}};
  for (std::size_t i = 0; i < s.strikes.size() && i < most; ++i) {
    const BounceStrikes& b = s.strikes[i];
    rows.push_back({b.address, n(b.strikes), b.first, b.last});
  }
  return rows;
}

std::vector<Row> newsletterRows(const Statistics& s) {
  Row header = {"newsletter", "list", "sent"};
  for (int d = 0; d < kOutlookDays; ++d) header.push_back(dayText(s.today + d));
  std::vector<Row> rows = {header};
  for (const auto& nl : s.newsletters) {
    Row row = {nl.title, nl.filter, n(nl.sent)};
    for (std::int64_t due : nl.due) row.push_back(n(due));
    if (!nl.problem.empty()) row.push_back(nl.problem);
    rows.push_back(row);
  }
  return rows;
}

std::vector<Row> roadRows(const Statistics& s) {
  std::vector<Row> rows = {{"became active by", "subscribers"}};
  for (const auto& [road, count] : shownDays(s).roads) rows.push_back({road, n(count)});
  return rows;
}

}  // namespace

std::string dayText(std::int32_t day) {
  return store::shortDateText(store::fromDayNumber(day));
}

std::string statisticsText(const Statistics& s) {
  std::ostringstream out;
  const ListFigures& shown = shownDays(s);
  out << "Statistics of " << s.profileTitle << " on " << dayText(s.today) << ", last "
      << s.periodDays << " days" << (s.lists.size() == 1 ? ", list " + shown.title : "") << "\n\n";
  out << table(listRows(s)) << "\nPer day:\n" << table(dayRows(s));
  out << "\nSends against the caps:\n" << table(sendRows(s));
  out << "Last pause: "
      << (s.sends.lastPause.empty() ? "none" : s.sends.lastPauseWhen + ": " + s.sends.lastPause)
      << "\n";
  out << "\nSent per hour, last 24 hours:\n" << table(hourRows(s));
  if (!shown.roads.empty()) out << "\nHow subscribers became active:\n" << table(roadRows(s));
  out << "\nAddresses with bounce strikes: " << s.strikes.size() << "\n";
  constexpr std::size_t kMostStrikesShown = 20;
  if (!s.strikes.empty()) out << table(strikeRows(s, kMostStrikesShown));
  if (s.strikes.size() > kMostStrikesShown) {
    out << "... and " << s.strikes.size() - kMostStrikesShown << " more (--csv lists all)\n";
  }
  out << "\nNewsletters (sent, and due on each of the next " << kOutlookDays << " days):\n"
      << table(newsletterRows(s));
  if (s.damagedLines > 0) out << "\nDamaged lines passed over: " << s.damagedLines << "\n";
  return out.str();
}

std::string statisticsCsv(const Statistics& s) {
  return csv(listRows(s)) + "\n" + csv(dayRows(s)) + "\n" + csv(sendRows(s)) + "\n" +
         csv({{"last pause", "why"}, {s.sends.lastPauseWhen, s.sends.lastPause}}) + "\n" +
         csv(hourRows(s)) + "\n" + csv(roadRows(s)) + "\n" + csv(strikeRows(s)) + "\n" +
         csv(newsletterRows(s));
}

}  // namespace tidewell::stats
