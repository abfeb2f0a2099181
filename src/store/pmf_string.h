#pragma once
// The PMF string: a subscriber's personal message fields packed as 41 items, each
// name + "[/\]" + value + "[\/]", a free slot being "_[/\][\/]". Shared by the subscriber
// file, the capture of new subscribers and the CSV import.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/filter_record.h"

namespace tidewell::store {

inline constexpr std::string_view kPmfNameEnd = "[/\\]";
inline constexpr std::string_view kPmfItemEnd = "[\\/]";
inline constexpr std::string_view kFreePmfItem = "_[/\\][\\/]";

// One filled slot of a PMF string.
struct PmfItem {
  std::size_t position = 0;  // 0 to 40
  std::string_view name;
  std::string_view value;
};

struct UnpackedPmf {
  // The filled slots in position order; views into the unpacked text.
  std::vector<PmfItem> items;
  // True when packPmf(items) gives the text back exactly, so the text need not be kept.
  bool canonical = false;
};

// Reads the items of a PMF string. A free item leaves its slot empty and the next item still
// goes to the next slot (a free slot between filled ones loses nothing). An item without "[/\]"
// has an empty value; a second "[/\]" ends the value. Items past slot 40 and text after the last
// "[\/]" are not slots; such a string is not canonical. `out` is reused to avoid allocations.
void unpackPmf(std::string_view pmf, UnpackedPmf& out);

// Appends one item: name, "[/\]", value, "[\/]".
void appendPmfItem(std::string& out, std::string_view name, std::string_view value);
// The 41-item string of the filled slots (in position order, positions below 41).
void appendPmf(std::string& out, const std::vector<PmfItem>& items);
// The 41-item string of a field table: entries named "_" become free items. Names and values
// go through withoutPmfSeparators.
std::string packPmf(const FieldTable& fields);

// A name or value that came from outside (a message, a CSV file, the keyboard) as a PMF item
// can hold it: "[/\]" and "[\/]" would end the item early and move every later field, so their
// brackets become parentheses.
std::string withoutPmfSeparators(std::string_view text);

}  // namespace tidewell::store
