#pragma once
// A filter as the engine, the grid and the import see it: its block's properties with the
// personal-field table and the extract-key table unpacked. The filter list is rebuilt from the
// profile whenever filters change; it is owned by the main window, one thread.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "store/profile_document.h"

namespace tidewell::store {

inline constexpr std::size_t kPersonalFieldCount = 41;
// The name of a free personal-field slot.
inline constexpr std::string_view kFreeFieldName = "_";

struct PersonalField {
  std::string name{kFreeFieldName};
  std::string inputName;  // "input" + number for active fields of a filter, else empty
  std::string value;
  bool active = false;
  std::string caption;
};

struct ExtractKey {
  std::string find;
  std::string until;
  std::string targetCaption;
  bool active = false;
  std::string targetName;
};

using FieldTable = std::array<PersonalField, kPersonalFieldCount>;
using ExtractKeyTable = std::array<ExtractKey, kPersonalFieldCount>;

struct FilterRecord {
  std::string subject;
  std::string title;
  std::string index;
  std::string optout;
  std::string fields;       // raw "fields" value
  std::string extractkeys;  // raw "extractkeys" value
  FieldTable fieldTable;
  ExtractKeyTable extractKeyTable;
  std::string toname;
  std::vector<std::string> rules;  // rule1, rule2, ... in order
  std::string displayname;
  int indexNumber = 0;
  // Title of the filter a new sign-up leaves; "!" when the block has no such key.
  std::string autounsubscribe{kAbsent};
  // Confirmed opt-in: "confirm" ("form", "all" or "none"; "!" reads as "form"), the message
  // file of the confirmation ("!" for the built-in text), and the days before the one reminder
  // and before a sign-up left unconfirmed is dropped ("!" for the defaults).
  std::string confirm{kAbsent};
  std::string confirmfile{kAbsent};
  std::string confirmremind{kAbsent};
  std::string confirmexpire{kAbsent};
};

// "name:caption:state," entries; a state other than "off" is active. Active fields get the
// input names input1, input2, ... in table order.
FieldTable parseFieldTable(std::string_view fields);
// The "fields" value of a table: 41 entries, state "on" or "off".
std::string formatFieldTable(const FieldTable& table);
void assignInputNames(FieldTable& table);
// Entries ended by "[/\]", each of five sub-fields ended by "[\/]": find, until, target
// caption, state, target name.
ExtractKeyTable parseExtractKeys(std::string_view extractkeys);

// Every filter block of the profile in index order, up to the first missing index.
std::vector<FilterRecord> loadFilterList(const ProfileDocument& profile);

// The filter with this title (exact comparison), or nullptr.
const FilterRecord* findFilter(const std::vector<FilterRecord>& filters, std::string_view title);

}  // namespace tidewell::store
