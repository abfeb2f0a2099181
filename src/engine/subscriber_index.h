#pragma once
// Finds the records of an address without walking the whole table: a sorted list of address
// hashes built on first use, plus the records appended since, which it picks up by itself.
// Valid while records are only changed or appended, never moved (one check cycle); one thread.
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "store/subscriber_table.h"

namespace tidewell::engine {

class SubscriberIndex {
 public:
  enum class Comparison { kExact, kIgnoreCase };

  SubscriberIndex(const store::SubscriberTable& table, Comparison comparison)
      : m_table(table), m_comparison(comparison) {}

  // Positions of the records (not deleted) whose address equals address, in table order.
  std::vector<store::Position> find(std::string_view address);
  // Builds the index now instead of at the first find: a million records take a tenth of a
  // second, which the caller may spend on another thread while the table is left alone.
  void prepare() {
    if (!m_built) build();
  }

 private:
  struct Entry {
    std::uint64_t hash;
    store::Position position;
  };
  void build();
  void catchUp();
  std::uint64_t hashOf(std::string_view address) const;
  bool equal(std::string_view stored, std::string_view address) const;

  const store::SubscriberTable& m_table;
  Comparison m_comparison;
  bool m_built = false;
  std::vector<Entry> m_sorted;
  // Records appended since the build, by address hash: a cycle may capture thousands.
  std::unordered_multimap<std::uint64_t, store::Position> m_recent;
  std::size_t m_seen = 0;  // records of the table the index covers
};

}  // namespace tidewell::engine
