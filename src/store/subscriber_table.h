#pragma once
// The subscriber table of the open profile with its table-changed flag and the filter list its
// records are read against; an empty table is one placeholder record without an address.
// Owned by the main window (or a tidewell-cli command); changed on one thread only.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/date_text.h"
#include "store/filter_record.h"
#include "store/pmf_string.h"
#include "store/subscriber_record.h"
#include "store/text_pool.h"

namespace tidewell::store {

// A record's position in the table, from 0: its record number.
using Position = std::uint32_t;

// What a subscriber added by hand, by an import or by the engine is made of.
struct SubscriberData {
  std::string email;
  std::string name;
  Date signup;
  std::string sentList{"none"};
  std::string active{"true"};
  std::string filterTitle;
  std::string pmf;
};

class SubscriberTable {
 public:
  // The empty table.
  SubscriberTable();
  SubscriberTable(SubscriberTable&&) = default;
  SubscriberTable(const SubscriberTable&) = delete;
  SubscriberTable& operator=(const SubscriberTable&) = delete;
  SubscriberTable& operator=(SubscriberTable&&) = default;

  std::size_t size() const { return m_records.size(); }
  // True while the table is only the placeholder record (no subscriber yet).
  bool isEmpty() const { return m_placeholder; }
  const SubscriberRecord& record(Position p) const { return m_records[p]; }

  std::string_view filterTitle(Position p) const;
  std::string_view active(Position p) const;
  Date signup(Position p) const { return fromDayNumber(m_records[p].signupDay()); }
  std::string_view fieldName(TextId id) const { return m_fieldNames.text(id); }
  // The PMF string as the subscriber file holds it.
  std::string pmf(Position p) const;
  // The same into a buffer the caller reuses.
  void pmfInto(Position p, std::string& out) const;
  // The ids that records carry for a title or an active text, when some record has it.
  std::optional<TextId> titleId(std::string_view title) const { return m_titles.find(title); }
  std::optional<TextId> activeId(std::string_view text) const { return m_actives.find(text); }

  const std::vector<FilterRecord>& filterList() const { return m_filters; }
  void setFilterList(std::vector<FilterRecord> filters) { m_filters = std::move(filters); }
  // The filter whose title equals the record's exactly, or nullptr.
  const FilterRecord* filterOf(Position p) const;
  // The display name of the record's filter; empty when the filter is unknown.
  std::string displayName(Position p) const;
  // The record's 41 personal fields: name and value are the record's, the active flag, caption
  // and input name those of the filter's field of that name.
  FieldTable personalFields(Position p) const;

  // Adds a subscriber: the placeholder of an empty table is reused, otherwise the record is
  // appended. Line breaks in the texts become blanks, so the file keeps eight lines per record.
  Position add(const SubscriberData& data);
  void setEmail(Position p, std::string_view email);
  void setName(Position p, std::string_view name);
  void setSignup(Position p, const Date& signup);
  void setSentList(Position p, std::string_view sentList);
  void setActive(Position p, std::string_view active);
  void setFilterTitle(Position p, std::string_view title);
  void markDeleted(Position p);
  // Grid rows are how the grid shows the table, not a change of it: the flag is left alone.
  void setGridRow(Position p, std::int32_t row);

  // The table-changed flag, kept as a count of changes so that a save can tell whether the
  // table changed again while it was writing: only the changes it wrote count as saved.
  bool changed() const { return m_changes != m_savedChanges; }
  void setChanged() { ++m_changes; }
  void clearChanged() { m_savedChanges = m_changes; }
  std::uint64_t changeCount() const { return m_changes; }
  // A save of the table as it was at changeCount() == changes has reached the disk.
  void savedUpTo(std::uint64_t changes) { m_savedChanges = std::max(m_savedChanges, changes); }

  // A copy for saving on another thread while this table goes on changing: records share
  // their packed texts with the table, so it costs a few bytes per record. The copy is read
  // only; the filter list is not copied.
  SubscriberTable snapshot() const;

  // Set when the subscriber file could not be read completely: saving this table would destroy
  // the subscribers that were not read, so saves are refused until a load succeeds.
  bool saveBlocked() const { return m_saveBlocked; }
  void setSaveBlocked(bool blocked) { m_saveBlocked = blocked; }

  // Appends a record as the subscriber file holds it, texts taken as they are; the flag is
  // left alone. For the loader.
  void appendLoaded(std::string_view email, std::string_view name, std::int32_t signupDay,
                    std::string_view sentList, std::string_view active,
                    std::string_view filterTitle, std::string_view pmf);
  void reserve(std::size_t records) { m_records.reserve(records); }
  // Frees what reserve took beyond the records when that is worth copying the records (the
  // copy briefly holds both).
  void shrinkToFit() {
    if (m_records.capacity() > m_records.size() + m_records.size() / 8) m_records.shrink_to_fit();
  }

 private:
  SubscriberRecord& newRecord();
  void pack(SubscriberRecord& record, std::string_view email, std::string_view name,
            std::string_view sentList, std::string_view pmf);
  void repack(Position p, std::optional<std::string_view> email,
              std::optional<std::string_view> name, std::optional<std::string_view> sentList);
  void store(SubscriberRecord& record);
  TextId fieldNameId(std::size_t position, std::string_view name);
  SubscriberRecord& changeable(Position p);

  std::vector<SubscriberRecord> m_records;
  TextPool m_titles;
  TextPool m_actives;
  TextPool m_fieldNames;
  std::vector<FilterRecord> m_filters;
  bool m_placeholder = true;
  std::uint64_t m_changes = 0;
  std::uint64_t m_savedChanges = 0;
  bool m_saveBlocked = false;
  // Work areas kept between records so that a load allocates once per record.
  std::string m_scratch;
  UnpackedPmf m_unpacked;
  std::array<std::optional<TextId>, kPersonalFieldCount> m_lastNameIds{};
};

}  // namespace tidewell::store
