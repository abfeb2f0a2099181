#include "engine/bounce_counts.h"

#include <algorithm>
#include <charconv>

#include "engine/bounce_class.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::engine {

namespace {

std::string daysText(const std::vector<store::Date>& days) {
  std::string text;
  for (const store::Date& d : days) {
    if (!text.empty()) text += ',';
    text += store::shortDateText(d);
  }
  return text;
}

// The days field, or for an older line without one the first and last dates, which are days
// with a failure for certain.
std::vector<store::Date> daysOf(const std::vector<std::string>& parts, const store::Date& first,
                                const store::Date& last) {
  std::vector<store::Date> days;
  if (parts.size() > 4) {
    for (const std::string& text : store::split(parts[4], ",")) {
      if (auto d = store::parseDate(text)) days.push_back(*d);
    }
  }
  if (days.empty()) {
    days.push_back(first);
    if (last != first) days.push_back(last);
  }
  std::sort(days.begin(), days.end());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  return days;
}

}  // namespace

std::filesystem::path BounceCounts::pathFor(const std::filesystem::path& profilePath) {
  std::filesystem::path path = profilePath;
  return path.replace_extension(".bounces");
}

bool BounceCounts::Entry::staleOn(const store::Date& today) const {
  return store::toDayNumber(today) - store::toDayNumber(last) > kStrikeStaleDays;
}

BounceCounts::BounceCounts(std::filesystem::path path) : m_path(std::move(path)) {
  if (std::filesystem::exists(m_path)) load();
}

void BounceCounts::load() {
  for (const std::string& line : store::readLines(m_path)) {
    std::vector<std::string> parts = store::split(line, "\t");
    if (parts.size() < 4) continue;
    Entry e;
    e.address = foldAscii(parts[0]);
    auto [end, error] =
        std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), e.count);
    auto first = store::parseDate(parts[2]);
    auto last = store::parseDate(parts[3]);
    if (error != std::errc() || e.count <= 0 || !first || !last || e.address.empty()) continue;
    e.first = *first;
    e.last = *last;
    e.days = daysOf(parts, e.first, e.last);
    m_entries.push_back(std::move(e));
  }
}

std::vector<BounceCounts::Entry>::iterator BounceCounts::find(std::string_view address) {
  const std::string folded = foldAscii(address);
  return std::find_if(m_entries.begin(), m_entries.end(),
                      [&](const Entry& e) { return e.address == folded; });
}

const BounceCounts::Entry& BounceCounts::addStrike(std::string_view address,
                                                   const store::Date& today) {
  m_changed = true;
  auto it = find(address);
  if (it == m_entries.end()) {
    m_entries.push_back({foldAscii(address), 1, today, today, {today}});
    return m_entries.back();
  }
  if (it->staleOn(today)) *it = {it->address, 0, today, today, {}};
  ++it->count;
  it->last = std::max(it->last, today);
  if (std::find(it->days.begin(), it->days.end(), today) == it->days.end()) {
    it->days.push_back(today);
    std::sort(it->days.begin(), it->days.end());
  }
  return *it;
}

void BounceCounts::forget(std::string_view address) {
  if (m_entries.empty()) return;
  auto it = find(address);
  if (it == m_entries.end()) return;
  m_entries.erase(it);
  m_changed = true;
}

void BounceCounts::dropStale(const store::Date& today) {
  auto stale = std::remove_if(m_entries.begin(), m_entries.end(),
                              [&](const Entry& e) { return e.staleOn(today); });
  if (stale == m_entries.end()) return;
  m_entries.erase(stale, m_entries.end());
  m_changed = true;
}

void BounceCounts::save() {
  if (!m_changed) return;
  std::vector<std::string> lines;
  for (const Entry& e : m_entries) {
    lines.push_back(e.address + "\t" + std::to_string(e.count) + "\t" +
                    store::shortDateText(e.first) + "\t" + store::shortDateText(e.last) + "\t" +
                    daysText(e.days));
  }
  store::writeLinesDurably(m_path, lines);
  m_changed = false;
}

}  // namespace tidewell::engine
