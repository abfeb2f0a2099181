#include "store/subscriber_table.h"

#include <cstring>
#include <limits>

#include "store/error.h"
#include "store/packed_bytes.h"
#include "store/text.h"

namespace tidewell::store {

namespace {

// A text that cannot break the file's eight-lines-per-record form.
std::string singleLine(std::string_view text) {
  if (!containsLineBreak(text)) return std::string(text);
  return replaceAll(replaceAll(replaceAll(text, "\r\n", " "), "\r", " "), "\n", " ");
}

std::int32_t dayNumberOf(const Date& date) {
  if (!isValidDate(date)) raise(kBadArgument, "Not a valid date");
  return toDayNumber(date);
}

}  // namespace

SubscriberTable::SubscriberTable() {
  SubscriberRecord& placeholder = newRecord();
  pack(placeholder, {}, {}, {}, {});
}

std::string_view SubscriberTable::filterTitle(Position p) const {
  return m_titles.text(m_records[p].filterId());
}

std::string_view SubscriberTable::active(Position p) const {
  return m_actives.text(m_records[p].activeId());
}

std::string SubscriberTable::pmf(Position p) const {
  std::string text;
  pmfInto(p, text);
  return text;
}

void SubscriberTable::pmfInto(Position p, std::string& out) const {
  const SubscriberRecord& r = m_records[p];
  out.clear();
  if (r.keepsOwnPmf()) {
    out.append(r.ownPmf());
    return;
  }
  std::size_t next = 0;
  r.forEachField([&](std::size_t position, TextId nameId, std::string_view value) {
    for (; next < position; ++next) out.append(kFreePmfItem);
    appendPmfItem(out, m_fieldNames.text(nameId), value);
    next = position + 1;
  });
  for (; next < kPersonalFieldCount; ++next) out.append(kFreePmfItem);
}

const FilterRecord* SubscriberTable::filterOf(Position p) const {
  return findFilter(m_filters, filterTitle(p));
}

std::string SubscriberTable::displayName(Position p) const {
  const FilterRecord* filter = filterOf(p);
  return filter ? filter->displayname : std::string();
}

FieldTable SubscriberTable::personalFields(Position p) const {
  FieldTable fields;
  const FilterRecord* filter = filterOf(p);
  m_records[p].forEachField([&](std::size_t position, TextId nameId, std::string_view value) {
    PersonalField& field = fields[position];
    field.name = m_fieldNames.text(nameId);
    field.value = value;
    if (!filter) return;
    // Every field of the filter is looked at, free slots skipped, the last of a name winning.
    for (const PersonalField& own : filter->fieldTable) {
      if (own.name == kFreeFieldName || own.name != field.name) continue;
      field.active = own.active;
      field.caption = own.caption;
      field.inputName = own.inputName;
    }
  });
  return fields;
}

SubscriberTable SubscriberTable::snapshot() const {
  SubscriberTable copy;
  copy.m_records = m_records;
  copy.m_titles = m_titles.clone();
  copy.m_actives = m_actives.clone();
  copy.m_fieldNames = m_fieldNames.clone();
  copy.m_placeholder = m_placeholder;
  copy.m_changes = m_changes;
  copy.m_savedChanges = m_savedChanges;
  return copy;
}

SubscriberRecord& SubscriberTable::newRecord() {
  if (m_records.size() >= std::numeric_limits<Position>::max()) {
    raise(kOverflow, "The subscriber table is full");
  }
  return m_records.emplace_back();
}

Position SubscriberTable::add(const SubscriberData& data) {
  std::int32_t day = dayNumberOf(data.signup);
  bool reuse = m_placeholder;
  SubscriberRecord& r = reuse ? m_records.front() : newRecord();
  try {
    pack(r, singleLine(data.email), singleLine(data.name), singleLine(data.sentList),
         singleLine(data.pmf));
  } catch (...) {
    if (!reuse) m_records.pop_back();
    throw;
  }
  r.m_signupDay = day;
  r.m_gridRow = 0;
  r.m_activeId = m_actives.intern(singleLine(data.active));
  r.m_filterId = m_titles.intern(singleLine(data.filterTitle));
  m_placeholder = false;
  ++m_changes;
  return reuse ? 0 : static_cast<Position>(m_records.size() - 1);
}

void SubscriberTable::appendLoaded(std::string_view email, std::string_view name,
                                   std::int32_t signupDay, std::string_view sentList,
                                   std::string_view active, std::string_view filterTitle,
                                   std::string_view pmf) {
  bool reuse = m_placeholder;
  SubscriberRecord& r = reuse ? m_records.front() : newRecord();
  try {
    pack(r, email, name, sentList, pmf);
  } catch (...) {
    if (!reuse) m_records.pop_back();
    throw;
  }
  m_placeholder = false;
  r.m_signupDay = signupDay;
  r.m_gridRow = 0;
  r.m_activeId = m_actives.intern(active);
  r.m_filterId = m_titles.intern(filterTitle);
}

SubscriberRecord& SubscriberTable::changeable(Position p) {
  if (p >= m_records.size()) raise(kBadArgument, "No subscriber at that position");
  ++m_changes;
  return m_records[p];
}

void SubscriberTable::setEmail(Position p, std::string_view email) {
  changeable(p);
  repack(p, singleLine(email), std::nullopt, std::nullopt);
}

void SubscriberTable::setName(Position p, std::string_view name) {
  changeable(p);
  repack(p, std::nullopt, singleLine(name), std::nullopt);
}

void SubscriberTable::setSentList(Position p, std::string_view sentList) {
  changeable(p);
  repack(p, std::nullopt, std::nullopt, singleLine(sentList));
}

void SubscriberTable::setSignup(Position p, const Date& signup) {
  std::int32_t day = dayNumberOf(signup);
  changeable(p).m_signupDay = day;
}

void SubscriberTable::setActive(Position p, std::string_view active) {
  TextId id = m_actives.intern(singleLine(active));
  changeable(p).m_activeId = id;
}

void SubscriberTable::setFilterTitle(Position p, std::string_view title) {
  TextId id = m_titles.intern(singleLine(title));
  changeable(p).m_filterId = id;
}

void SubscriberTable::markDeleted(Position p) {
  if (m_placeholder) return;
  changeable(p).m_gridRow = SubscriberRecord::kDeletedRow;
}

void SubscriberTable::setGridRow(Position p, std::int32_t row) {
  SubscriberRecord& r = m_records[p];
  if (!r.isDeleted()) r.m_gridRow = row;
}

TextId SubscriberTable::fieldNameId(std::size_t position, std::string_view name) {
  // Records of one filter name their slots alike; remember each slot's last name.
  std::optional<TextId>& last = m_lastNameIds[position];
  if (last && m_fieldNames.text(*last) == name) return *last;
  last = m_fieldNames.intern(name);
  return *last;
}

void SubscriberTable::pack(SubscriberRecord& record, std::string_view email, std::string_view name,
                           std::string_view sentList, std::string_view pmf) {
  unpackPmf(pmf, m_unpacked);
  m_scratch.clear();
  appendText(m_scratch, email);
  appendText(m_scratch, name);
  appendText(m_scratch, sentList);
  appendNumber(m_scratch, m_unpacked.items.size());
  for (const PmfItem& item : m_unpacked.items) {
    appendNumber(m_scratch, item.position);
    appendNumber(m_scratch, fieldNameId(item.position, item.name));
    appendText(m_scratch, item.value);
  }
  record.m_ownPmf = !m_unpacked.canonical;
  if (record.m_ownPmf) appendText(m_scratch, pmf);
  store(record);
}

void SubscriberTable::repack(Position p, std::optional<std::string_view> email,
                             std::optional<std::string_view> name,
                             std::optional<std::string_view> sentList) {
  SubscriberRecord& r = m_records[p];
  PackedReader old = r.reader();
  std::string_view oldEmail = old.text();
  std::string_view oldName = old.text();
  std::string_view oldSent = old.text();
  m_scratch.clear();
  appendText(m_scratch, email.value_or(oldEmail));
  appendText(m_scratch, name.value_or(oldName));
  appendText(m_scratch, sentList.value_or(oldSent));
  m_scratch.append(old.rest());  // the fields and a kept PMF string stay as they are
  store(r);
}

void SubscriberTable::store(SubscriberRecord& record) {
  if (m_scratch.size() > std::numeric_limits<std::uint32_t>::max()) {
    raise(kOverflow, "A subscriber record is too long");
  }
  auto size = static_cast<std::uint32_t>(m_scratch.size());
  // Always a new buffer, never the old one written over: a snapshot may share the old one and
  // be being saved on another thread.
  record.m_data = std::make_shared_for_overwrite<char[]>(size);
  std::memcpy(record.m_data.get(), m_scratch.data(), size);
  record.m_size = size;
}

}  // namespace tidewell::store
