#pragma once
// One subscriber as the table keeps it: only its own data (texts packed in one buffer, interned
// ids, a day number); the filter's field names and flags are derived by the table on demand.
// Changed only through SubscriberTable; one thread.

#include <cstdint>
#include <memory>
#include <string_view>

#include "store/packed_bytes.h"
#include "store/text_pool.h"

namespace tidewell::store {

class SubscriberRecord {
 public:
  // The grid row of a record deleted by hand; it is left out of the next save.
  static constexpr std::int32_t kDeletedRow = -1;

  SubscriberRecord() = default;
  // Copies share the packed texts, which are never changed in place while shared: a copy of the
  // table (a snapshot for saving) costs a pointer per record, not the texts.
  SubscriberRecord(const SubscriberRecord&) = default;
  SubscriberRecord& operator=(const SubscriberRecord&) = default;
  SubscriberRecord(SubscriberRecord&&) noexcept = default;
  SubscriberRecord& operator=(SubscriberRecord&&) noexcept = default;

  std::string_view email() const { return reader().text(); }
  std::string_view name() const;
  std::string_view sentList() const;
  std::int32_t signupDay() const { return m_signupDay; }
  TextId filterId() const { return m_filterId; }
  TextId activeId() const { return m_activeId; }
  // 0 when not shown in the grid, the grid row (from 1) when shown, -1 when deleted.
  std::int32_t gridRow() const { return m_gridRow; }
  bool isDeleted() const { return m_gridRow == kDeletedRow; }

  // Calls visit(position, nameId, value) for every filled personal-field slot, in position order.
  template <class Visit>
  void forEachField(Visit&& visit) const {
    PackedReader r = fieldReader();
    auto count = r.number();
    for (std::uint64_t i = 0; i < count; ++i) {
      auto position = static_cast<std::size_t>(r.number());
      auto nameId = static_cast<TextId>(r.number());
      visit(position, nameId, r.text());
    }
  }
  // A PMF string that the filled slots cannot give back (odd item counts, stray separators) is
  // kept as read, so that a save writes it unchanged.
  bool keepsOwnPmf() const { return m_ownPmf; }
  std::string_view ownPmf() const;

 private:
  friend class SubscriberTable;

  std::string_view bytes() const { return {m_data.get(), m_size}; }
  PackedReader reader() const { return PackedReader(bytes()); }
  // A reader placed at the field count.
  PackedReader fieldReader() const;

  std::shared_ptr<char[]> m_data;
  std::uint32_t m_size = 0;
  std::int32_t m_signupDay = 0;
  std::int32_t m_gridRow = 0;
  TextId m_filterId = 0;
  TextId m_activeId = 0;
  bool m_ownPmf = false;
};

}  // namespace tidewell::store
