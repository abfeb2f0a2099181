#include "engine/bounce_counts.h"

#include <algorithm>
#include <charconv>

#include "engine/bounce_class.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::engine {

std::filesystem::path BounceCounts::pathFor(const std::filesystem::path& profilePath) {
  std::filesystem::path path = profilePath;
  return path.replace_extension(".bounces");
}

BounceCounts::BounceCounts(std::filesystem::path path) : m_path(std::move(path)) {
  if (std::filesystem::exists(m_path)) load();
}

void BounceCounts::load() {
  for (const std::string& line : store::readLines(m_path)) {
    std::vector<std::string> parts = store::split(line, "\t");
    if (parts.size() != 4) continue;
    Entry e;
    e.address = foldAscii(parts[0]);
    auto [end, error] =
        std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), e.count);
    auto first = store::parseDate(parts[2]);
    auto last = store::parseDate(parts[3]);
    if (error != std::errc() || e.count <= 0 || !first || !last || e.address.empty()) continue;
    e.first = *first;
    e.last = *last;
    m_entries.push_back(std::move(e));
  }
}

std::vector<BounceCounts::Entry>::iterator BounceCounts::find(std::string_view address) {
  const std::string folded = foldAscii(address);
  return std::find_if(m_entries.begin(), m_entries.end(),
                      [&](const Entry& e) { return e.address == folded; });
}

int BounceCounts::addTemporary(std::string_view address, const store::Date& today) {
  m_changed = true;
  auto it = find(address);
  if (it == m_entries.end()) {
    m_entries.push_back({foldAscii(address), 1, today, today});
    return 1;
  }
  if (store::toDayNumber(today) - store::toDayNumber(it->first) > kTemporaryFailureDays) {
    it->count = 0;
    it->first = today;
  }
  ++it->count;
  it->last = today;
  return it->count;
}

void BounceCounts::forget(std::string_view address) {
  if (m_entries.empty()) return;
  auto it = find(address);
  if (it == m_entries.end()) return;
  m_entries.erase(it);
  m_changed = true;
}

void BounceCounts::save() {
  if (!m_changed) return;
  std::vector<std::string> lines;
  for (const Entry& e : m_entries) {
    lines.push_back(e.address + "\t" + std::to_string(e.count) + "\t" +
                    store::shortDateText(e.first) + "\t" + store::shortDateText(e.last));
  }
  store::writeLinesDurably(m_path, lines);
  m_changed = false;
}

}  // namespace tidewell::engine
