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

void SubscriberIndex::build() {
  m_built = true;
  if (m_table.isEmpty()) return;
  m_sorted.reserve(m_table.size());
  for (store::Position p = 0; p < m_table.size(); ++p) {
    if (!m_table.record(p).isDeleted()) m_sorted.push_back({hashOf(m_table.record(p).email()), p});
  }
  std::sort(m_sorted.begin(), m_sorted.end(), [](const Entry& a, const Entry& b) {
    return a.hash != b.hash ? a.hash < b.hash : a.position < b.position;
  });
}

std::vector<store::Position> SubscriberIndex::find(std::string_view address) {
  if (!m_built) build();
  std::vector<store::Position> found;
  std::uint64_t hash = hashOf(address);
  auto first = std::lower_bound(m_sorted.begin(), m_sorted.end(), hash,
                                [](const Entry& e, std::uint64_t h) { return e.hash < h; });
  for (auto it = first; it != m_sorted.end() && it->hash == hash; ++it) {
    const auto& record = m_table.record(it->position);
    if (!record.isDeleted() && equal(record.email(), address)) found.push_back(it->position);
  }
  for (store::Position p : m_recent) {
    const auto& record = m_table.record(p);
    if (!record.isDeleted() && equal(record.email(), address)) found.push_back(p);
  }
  return found;
}

void SubscriberIndex::added(store::Position p) {
  // Before the first lookup the build will see the record itself.
  if (m_built) m_recent.push_back(p);
}

}  // namespace tidewell::engine
