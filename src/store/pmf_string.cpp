#include "store/pmf_string.h"

#include <cstdint>
#include <cstring>

namespace tidewell::store {

namespace {

// Reads one item that is not the plain free item; false when it cannot be packed back alike.
bool readItem(std::string_view item, std::size_t position, UnpackedPmf& out) {
  std::size_t separator = item.find(kPmfNameEnd);
  std::string_view name = item.substr(0, separator);
  std::string_view value;
  bool exact = separator != std::string_view::npos;
  if (exact) {
    value = item.substr(separator + kPmfNameEnd.size());
    std::size_t second = value.find(kPmfNameEnd);
    if (second != std::string_view::npos) {
      value = value.substr(0, second);
      exact = false;
    }
  }
  if (name == kFreeFieldName) return false;  // a free item with a value or without "[/\]"
  if (position >= kPersonalFieldCount) return false;
  out.items.push_back({position, name, value});
  return exact;
}

// Most slots are free: recognise "_[/\][\/]" with two loads instead of a search.
bool freeItemAt(std::string_view pmf, std::size_t at) {
  static_assert(kFreePmfItem.size() == 9);
  if (pmf.size() - at < kFreePmfItem.size()) return false;
  std::uint64_t head;
  std::uint64_t free;
  std::memcpy(&head, pmf.data() + at, 8);
  std::memcpy(&free, kFreePmfItem.data(), 8);
  return head == free && pmf[at + 8] == kFreePmfItem[8];
}

}  // namespace

void appendPmfItem(std::string& out, std::string_view name, std::string_view value) {
  out.append(name);
  out.append(kPmfNameEnd);
  out.append(value);
  out.append(kPmfItemEnd);
}

void unpackPmf(std::string_view pmf, UnpackedPmf& out) {
  out.items.clear();
  bool canonical = true;
  std::size_t position = 0;
  std::size_t at = 0;
  while (true) {
    if (freeItemAt(pmf, at)) {
      at += kFreePmfItem.size();
      ++position;
      continue;
    }
    std::size_t end = pmf.find(kPmfItemEnd, at);
    if (end == std::string_view::npos) break;
    if (!readItem(pmf.substr(at, end - at), position, out)) canonical = false;
    at = end + kPmfItemEnd.size();
    ++position;
  }
  out.canonical = canonical && at == pmf.size() && position == kPersonalFieldCount;
}

void appendPmf(std::string& out, const std::vector<PmfItem>& items) {
  std::size_t next = 0;
  for (std::size_t position = 0; position < kPersonalFieldCount; ++position) {
    if (next < items.size() && items[next].position == position) {
      appendPmfItem(out, items[next].name, items[next].value);
      ++next;
    } else {
      out.append(kFreePmfItem);
    }
  }
}

std::string packPmf(const FieldTable& fields) {
  std::string out;
  for (const PersonalField& field : fields) {
    if (field.name == kFreeFieldName) {
      out.append(kFreePmfItem);
    } else {
      appendPmfItem(out, withoutPmfSeparators(field.name), withoutPmfSeparators(field.value));
    }
  }
  return out;
}

std::string withoutPmfSeparators(std::string_view text) {
  std::string out(text);
  for (std::string_view separator : {kPmfNameEnd, kPmfItemEnd}) {
    for (std::size_t at = out.find(separator); at != std::string::npos;
         at = out.find(separator, at)) {
      out[at] = '(';
      out[at + 3] = ')';
    }
  }
  return out;
}

}  // namespace tidewell::store
