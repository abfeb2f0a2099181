#include "engine/subscriber_index.h"

#include <algorithm>
#include <functional>
#include <string>

#include "store/text.h"

namespace tidewell::engine {

std::uint64_t SubscriberIndex::hashOf(std::string_view address) const {
  if (m_comparison == Comparison::kExact) return std::hash<std::string_view>{}(address);
  return std::hash<std::string>{}(store::toUpperAscii(address));
}

bool SubscriberIndex::equal(std::string_view stored, std::string_view address) const {
  if (m_comparison == Comparison::kExact) return stored == address;
  return store::toUpperAscii(stored) == store::toUpperAscii(address);
}

// The records a table really holds: an empty table's placeholder is none.
static std::size_t recordCount(const store::SubscriberTable& table) {
  return table.isEmpty() ? 0 : table.size();
}

void SubscriberIndex::build() {
  m_built = true;
  m_seen = recordCount(m_table);
  m_sorted.reserve(m_seen);
  for (store::Position p = 0; p < m_seen; ++p) {
    if (!m_table.record(p).isDeleted()) m_sorted.push_back({hashOf(m_table.record(p).email()), p});
  }
  std::sort(m_sorted.begin(), m_sorted.end(), [](const Entry& a, const Entry& b) {
    return a.hash != b.hash ? a.hash < b.hash : a.position < b.position;
  });
}

void SubscriberIndex::catchUp() {
  for (std::size_t count = recordCount(m_table); m_seen < count; ++m_seen) {
    auto p = static_cast<store::Position>(m_seen);
    m_recent.emplace(hashOf(m_table.record(p).email()), p);
  }
}

std::vector<store::Position> SubscriberIndex::find(std::string_view address) {
  if (m_built) {
    catchUp();
  } else {
    build();
  }
  std::vector<store::Position> found;
  std::uint64_t hash = hashOf(address);
  auto first = std::lower_bound(m_sorted.begin(), m_sorted.end(), hash,
                                [](const Entry& e, std::uint64_t h) { return e.hash < h; });
  for (auto it = first; it != m_sorted.end() && it->hash == hash; ++it) {
    const auto& record = m_table.record(it->position);
    if (!record.isDeleted() && equal(record.email(), address)) found.push_back(it->position);
  }
  const std::size_t fromSorted = found.size();
  auto [begin, end] = m_recent.equal_range(hash);
  for (auto it = begin; it != end; ++it) {
    const auto& record = m_table.record(it->second);
    if (!record.isDeleted() && equal(record.email(), address)) found.push_back(it->second);
  }
  // Appended records all come after the sorted ones; among themselves the map keeps no order.
  std::sort(found.begin() + static_cast<std::ptrdiff_t>(fromSorted), found.end());
  return found;
}

}  // namespace tidewell::engine
