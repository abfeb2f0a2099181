#include "stats/side_files.h"

#include <algorithm>
#include <charconv>

#include "stats/line_blocks.h"
#include "store/text.h"

namespace tidewell::stats {

namespace {

bool wholeNumber(std::string_view text, std::int64_t& value) {
  text = store::trim(text);
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

void readPending(const std::filesystem::path& path, Tally& tally) {
  forEachLine(path, [&](std::string_view line) {
    std::string_view f[3];
    std::int32_t day = 0;
    if (splitTabs(line, f, 3) < 3 || f[0].empty() || !dayNumberOf(f[2], day)) {
      if (!line.empty()) tally.damaged();
      return;
    }
    ++tally.whole().pending;
    int list = tally.listOf(f[1]);
    if (list >= 0) ++tally.list(list).pending;
  });
}

SuppressedEntries readSuppressed(const std::filesystem::path& path, Tally& tally) {
  SuppressedEntries entries;
  forEachLine(path, [&](std::string_view line) {
    std::string_view f[3];
    if (splitTabs(line, f, 3) < 3 || store::trim(f[0]).empty()) {
      if (!line.empty()) tally.damaged();
      return;
    }
    ++tally.whole().suppressed;
    std::string entry(store::trim(f[0]));
    if (entry.rfind("sha256:", 0) == 0) return;  // an erased person is no longer a subscriber
    for (char& c : entry) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    entries.add(std::move(entry));
  });
  return entries;
}

std::vector<BounceStrikes> readStrikes(const std::filesystem::path& path, Tally& tally) {
  std::vector<BounceStrikes> strikes;
  forEachLine(path, [&](std::string_view line) {
    std::string_view f[4];
    BounceStrikes s;
    if (splitTabs(line, f, 4) < 4 || f[0].empty() || !wholeNumber(f[1], s.strikes) ||
        s.strikes <= 0) {
      if (!line.empty()) tally.damaged();
      return;
    }
    s.address = std::string(f[0]);
    s.first = std::string(f[2]);
    s.last = std::string(f[3]);
    strikes.push_back(std::move(s));
  });
  std::stable_sort(strikes.begin(), strikes.end(), [](const auto& a, const auto& b) {
    return a.strikes != b.strikes ? a.strikes > b.strikes : a.address < b.address;
  });
  return strikes;
}

void addJournaledSends(const std::filesystem::path& journal,
                       std::vector<NewsletterOutlook>& outlook, Tally& tally) {
  forEachLine(journal, [&](std::string_view line) {
    std::string_view f[2];
    if (splitTabs(line, f, 2) < 2) {
      if (!line.empty()) tally.damaged();
      return;
    }
    for (auto& n : outlook) {
      if (n.title == f[1]) ++n.sent;
    }
  });
}

void readRateFile(const std::filesystem::path& path, std::int64_t now, SendFigures& sends,
                  Tally& tally) {
  constexpr std::int64_t kHour = 3600;
  forEachLine(path, [&](std::string_view line) {
    std::int64_t when = 0;
    if (!wholeNumber(line, when)) {
      if (!line.empty()) tally.damaged();
      return;
    }
    std::int64_t age = now - when;
    if (age < 0 || age >= 24 * kHour) return;
    ++sends.lastDay;
    if (age < kHour) ++sends.lastHour;
    if (age < 60) ++sends.lastMinute;
    sends.perHour[static_cast<std::size_t>(23 - age / kHour)] += 1;
  });
}

}  // namespace tidewell::stats
