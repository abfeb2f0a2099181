#include "consent/pending_signups.h"

#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::consent {

namespace {

using store::tabField;
using store::tabFieldValue;

std::string dateField(const std::optional<store::Date>& date) {
  return date ? store::shortDateText(*date) : "-";
}

std::vector<std::string_view> splitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::string pendingLine(const PendingSignup& s) {
  std::string line;
  for (const std::string& value :
       {tabField(s.address), tabField(s.filter), store::shortDateText(s.date), tabField(s.time),
        dateField(s.reminded), tabField(s.pmf), tabField(s.signupMessageId), tabField(s.ip),
        tabField(s.name), dateField(s.sent), tabField(s.code), tabField(s.textName),
        tabField(s.textSha256), std::string(s.linkAllowed ? "link" : "reply")}) {
    if (!line.empty()) line += '\t';
    line += value;
  }
  return line;
}

std::optional<PendingSignup> parsePendingLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::vector<std::string_view> f = splitTabs(line);
  if (f.size() < 8 || f[0].empty() || f[0] == "-") return std::nullopt;
  std::optional<store::Date> date = store::parseDate(f[2]);
  if (!date) return std::nullopt;
  PendingSignup s;
  s.address = std::string(f[0]);
  s.filter = tabFieldValue(f[1]);
  s.date = *date;
  s.time = tabFieldValue(f[3]);
  s.reminded = store::parseDate(f[4]);
  s.pmf = tabFieldValue(f[5]);
  s.signupMessageId = tabFieldValue(f[6]);
  s.ip = tabFieldValue(f[7]);
  auto extra = [&](std::size_t i) { return i < f.size() ? tabFieldValue(f[i]) : std::string(); };
  s.name = extra(8);
  s.sent = f.size() > 9 ? store::parseDate(f[9]) : std::nullopt;
  // A line written by hand or by an older program has no code yet: the pass gives it one.
  s.code = extra(10);
  s.textName = extra(11);
  s.textSha256 = extra(12);
  s.linkAllowed = extra(13) != "reply";
  return s;
}

std::filesystem::path PendingSignups::pathFor(const std::filesystem::path& profile) {
  std::filesystem::path path = profile;
  return path.replace_extension(".pending");
}

void PendingSignups::load() {
  m_entries.clear();
  m_changed = false;
  std::error_code error;
  if (!std::filesystem::exists(m_path, error)) return;
  for (const std::string& line : store::readLines(m_path)) {
    if (auto signup = parsePendingLine(line)) m_entries.push_back(std::move(*signup));
  }
}

void PendingSignups::save() {
  if (!m_changed) return;
  std::vector<std::string> lines;
  lines.reserve(m_entries.size());
  for (const PendingSignup& s : m_entries) lines.push_back(pendingLine(s));
  store::writeLinesDurably(m_path, lines);
  m_changed = false;
}

PendingSignup* PendingSignups::find(std::string_view address, std::string_view filter) {
  for (PendingSignup& s : m_entries) {
    if (s.filter == filter && store::equalsIgnoreCase(s.address, address)) return &s;
  }
  return nullptr;
}

std::vector<PendingSignup*> PendingSignups::findAddress(std::string_view address) {
  std::vector<PendingSignup*> found;
  for (PendingSignup& s : m_entries) {
    if (store::equalsIgnoreCase(s.address, address)) found.push_back(&s);
  }
  return found;
}

void PendingSignups::put(PendingSignup signup) {
  m_changed = true;
  if (PendingSignup* waiting = find(signup.address, signup.filter)) {
    *waiting = std::move(signup);
    return;
  }
  m_entries.push_back(std::move(signup));
}

std::optional<PendingSignup> PendingSignups::take(std::string_view address,
                                                  std::string_view filter) {
  for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
    if (it->filter == filter && store::equalsIgnoreCase(it->address, address)) {
      PendingSignup taken = std::move(*it);
      m_entries.erase(it);
      m_changed = true;
      return taken;
    }
  }
  return std::nullopt;
}

}  // namespace tidewell::consent
