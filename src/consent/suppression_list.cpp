#include "consent/suppression_list.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "store/address_check.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::consent {

namespace {

constexpr std::string_view kHashPrefix = "sha256:";

std::string lowerAscii(std::string_view text) {
  std::string lower(store::trim(text));
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool isHexHash(std::string_view text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

std::string domainOf(std::string_view address) {
  std::size_t at = address.rfind('@');
  return at == std::string_view::npos ? std::string() : std::string(address.substr(at));
}

std::string isoDate(const store::Date& d) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
  return text;
}

// The values of one line of a text or CSV file: split at commas, semicolons or TABs, quotes
// around a value removed.
std::vector<std::string> valuesOf(std::string_view line) {
  std::vector<std::string> values;
  std::string current;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == ',' || c == ';' || c == '\t')) {
      values.emplace_back(store::trim(current));
      current.clear();
    } else {
      current += c;
    }
  }
  values.emplace_back(store::trim(current));
  return values;
}

std::string shortened(std::string_view line) {
  std::string text(line.substr(0, 60));
  if (line.size() > 60) text += "...";
  return text;
}

}  // namespace

std::filesystem::path SuppressionList::pathFor(const std::filesystem::path& profilePath) {
  std::filesystem::path path = profilePath;
  return path.replace_extension(".suppressed");
}

std::string SuppressionList::hashKey(std::string_view address) {
  const std::string lower = lowerAscii(address);
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  EVP_Digest(lower.data(), lower.size(), digest.data(), &length, EVP_sha256(), nullptr);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string key(kHashPrefix);
  for (unsigned int i = 0; i < length; ++i) {
    key += kHex[digest[i] >> 4];
    key += kHex[digest[i] & 15];
  }
  return key;
}

std::optional<std::string> SuppressionList::keyOf(std::string_view text) {
  std::string key = lowerAscii(text);
  if (key.rfind(kHashPrefix, 0) == 0) {
    if (isHexHash(std::string_view(key).substr(kHashPrefix.size()))) return key;
    return std::nullopt;
  }
  if (!key.empty() && key[0] == '@') {
    // A domain: what an address with any local part would need to pass the address check.
    if (store::addressProblem("x" + key)) return std::nullopt;
    return key;
  }
  if (store::addressProblem(key)) return std::nullopt;
  return key;
}

SuppressionList::SuppressionList(std::filesystem::path path) : m_path(std::move(path)) {
  if (!m_path.empty() && std::filesystem::exists(m_path)) load();
}

void SuppressionList::load() {
  for (const std::string& line : store::readLines(m_path)) {
    std::vector<std::string> parts = store::split(line, "\t");
    std::optional<std::string> key = keyOf(parts[0]);
    if (!key || m_index.count(*key)) continue;
    Entry e{*key, {}, parts.size() > 2 ? parts[2] : "manual"};
    if (auto date = parts.size() > 1 ? store::parseDate(parts[1]) : std::nullopt) e.date = *date;
    m_index.emplace(e.key, m_entries.size());
    m_entries.push_back(std::move(e));
  }
  reindex();
}

void SuppressionList::reindex() {
  m_index.clear();
  m_hashes = 0;
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    m_index.emplace(m_entries[i].key, i);
    if (m_entries[i].key.rfind(kHashPrefix, 0) == 0) ++m_hashes;
  }
}

std::vector<SuppressionList::Entry>::const_iterator SuppressionList::findKey(
    std::string_view key) const {
  auto it = m_index.find(std::string(key));
  return it == m_index.end() ? m_entries.end()
                             : m_entries.begin() + static_cast<std::ptrdiff_t>(it->second);
}

const SuppressionList::Entry* SuppressionList::blockingEntry(std::string_view address) const {
  if (m_entries.empty()) return nullptr;
  const std::string lower = lowerAscii(address);
  if (auto it = findKey(lower); it != m_entries.end()) return &*it;
  if (const std::string domain = domainOf(lower); !domain.empty()) {
    if (auto it = findKey(domain); it != m_entries.end()) return &*it;
  }
  if (m_hashes == 0) return nullptr;
  if (auto it = findKey(hashKey(lower)); it != m_entries.end()) return &*it;
  return nullptr;
}

bool SuppressionList::blocks(std::string_view address) const {
  return blockingEntry(address) != nullptr;
}

bool SuppressionList::add(std::string_view text, const store::Date& date, std::string_view reason) {
  std::optional<std::string> key = keyOf(text);
  if (!key || findKey(*key) != m_entries.end()) return false;
  m_index.emplace(*key, m_entries.size());
  if (key->rfind(kHashPrefix, 0) == 0) ++m_hashes;
  m_entries.push_back({*key, date, store::oneLineField(reason)});
  m_changed = true;
  return true;
}

bool SuppressionList::remove(std::string_view text) {
  std::optional<std::string> key = keyOf(text);
  if (!key) return false;
  const std::string hash = (*key)[0] == '@' || key->rfind(kHashPrefix, 0) == 0 ? "" : hashKey(*key);
  const auto before = m_entries.size();
  std::erase_if(m_entries, [&](const Entry& e) { return e.key == *key || e.key == hash; });
  reindex();
  m_changed = m_changed || m_entries.size() != before;
  return m_entries.size() != before;
}

bool SuppressionList::liftAutomatic(std::string_view address) {
  const std::string lower = lowerAscii(address);
  const auto before = m_entries.size();
  std::erase_if(m_entries, [&](const Entry& e) {
    return e.key == lower && (e.reason == "bounce" || e.reason == "import");
  });
  reindex();
  m_changed = m_changed || m_entries.size() != before;
  return m_entries.size() != before;
}

void SuppressionList::save() {
  if (!m_changed || m_path.empty()) return;
  std::vector<std::string> lines;
  for (const Entry& e : m_entries) {
    lines.push_back(e.key + "\t" + store::shortDateText(e.date) + "\t" + e.reason);
  }
  store::writeLinesDurably(m_path, lines);
  m_changed = false;
}

SuppressionImport readSuppressionImport(std::string_view text) {
  SuppressionImport result;
  std::size_t number = 0;
  for (const std::string& line : store::splitLines(text)) {
    ++number;
    if (store::trim(line).empty()) continue;
    std::optional<std::string> key;
    for (const std::string& value : valuesOf(line)) {
      if ((key = SuppressionList::keyOf(value))) break;
    }
    if (key) {
      result.keys.push_back(*key);
    } else if (number > 1 || line.find('@') != std::string::npos) {
      result.skipped.push_back("line " + std::to_string(number) + ": no address or @domain in \"" +
                               shortened(line) + "\"");
    }
  }
  return result;
}

std::string suppressionExport(const SuppressionList& list, bool csv) {
  std::string text = csv ? "entry,date,reason\r\n" : "";
  for (const auto& e : list.entries()) {
    if (csv) {
      text += e.key + "," + isoDate(e.date) + "," + e.reason + "\r\n";
    } else {
      text += e.key + "\t" + store::shortDateText(e.date) + "\t" + e.reason + "\r\n";
    }
  }
  return text;
}

}  // namespace tidewell::consent
