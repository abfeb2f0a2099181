#include "store/filter_record.h"

#include "store/text.h"

namespace tidewell::store {

namespace {

// The parts of a list whose every entry ends with the separator; the empty rest is dropped.
std::vector<std::string> entries(std::string_view text, std::string_view separator) {
  std::vector<std::string> parts = split(text, separator);
  if (!parts.empty() && parts.back().empty()) parts.pop_back();
  return parts;
}

std::string part(const std::vector<std::string>& parts, std::size_t i) {
  return i < parts.size() ? parts[i] : std::string();
}

}  // namespace

void assignInputNames(FieldTable& table) {
  int next = 1;
  for (PersonalField& field : table) {
    field.inputName = field.active ? "input" + std::to_string(next++) : std::string();
  }
}

FieldTable parseFieldTable(std::string_view fields) {
  FieldTable table;
  std::vector<std::string> list = entries(fields, ",");
  for (std::size_t i = 0; i < list.size() && i < kPersonalFieldCount; ++i) {
    std::vector<std::string> items = split(list[i], ":");
    table[i].name = part(items, 0);
    table[i].caption = part(items, 1);
    table[i].active = part(items, 2) != "off";
  }
  assignInputNames(table);
  return table;
}

std::string formatFieldTable(const FieldTable& table) {
  std::string text;
  for (const PersonalField& f : table) {
    text += f.name + ":" + f.caption + ":" + (f.active ? "on" : "off") + ",";
  }
  return text;
}

ExtractKeyTable parseExtractKeys(std::string_view extractkeys) {
  ExtractKeyTable table;
  std::vector<std::string> list = entries(extractkeys, "[/\\]");
  for (std::size_t i = 0; i < list.size() && i < kPersonalFieldCount; ++i) {
    std::vector<std::string> items = split(list[i], "[\\/]");
    table[i].find = part(items, 0);
    table[i].until = part(items, 1);
    table[i].targetCaption = part(items, 2);
    table[i].active = part(items, 3) != "off";
    table[i].targetName = part(items, 4);
  }
  return table;
}

std::vector<FilterRecord> loadFilterList(const ProfileDocument& profile) {
  std::vector<FilterRecord> filters;
  for (int index : profile.indexesInTreeOrder()) {
    if (!equalsIgnoreCase(profile.get(index, "name"), kFilterOpening)) continue;
    FilterRecord f;
    f.subject = profile.get(index, "subject");
    f.title = profile.get(index, "title");
    f.index = profile.get(index, "index");
    f.optout = profile.get(index, "optout");
    f.fields = profile.get(index, "fields");
    f.extractkeys = profile.get(index, "extractkeys");
    f.toname = profile.get(index, "toname");
    f.displayname = profile.get(index, "displayname");
    f.indexNumber = index;
    f.autounsubscribe = profile.getExactKey(index, "autounsubscribe");
    f.confirm = profile.getExactKey(index, "confirm");
    f.confirmfile = profile.getExactKey(index, "confirmfile");
    f.confirmremind = profile.getExactKey(index, "confirmremind");
    f.confirmexpire = profile.getExactKey(index, "confirmexpire");
    f.fieldTable = parseFieldTable(f.fields == kAbsent ? std::string_view() : f.fields);
    f.extractKeyTable =
        parseExtractKeys(f.extractkeys == kAbsent ? std::string_view() : f.extractkeys);
    for (int n = 1;; ++n) {
      std::string rule = profile.getExactKey(index, "rule" + std::to_string(n));
      if (rule == kAbsent) break;
      f.rules.push_back(std::move(rule));
    }
    filters.push_back(std::move(f));
  }
  return filters;
}

const FilterRecord* findFilter(const std::vector<FilterRecord>& filters, std::string_view title) {
  for (const FilterRecord& f : filters) {
    if (f.title == title) return &f;
  }
  return nullptr;
}

}  // namespace tidewell::store
