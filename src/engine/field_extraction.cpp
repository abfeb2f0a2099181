#include "engine/field_extraction.h"

#include "store/pmf_string.h"
#include "store/text.h"

namespace tidewell::engine {

namespace {

constexpr std::string_view kFormMarker = "@@@";

// "/n" stands for a line break in find and until texts.
std::string withLineBreaks(std::string_view text) {
  return store::replaceAll(std::string(text), "/n", "\r\n");
}

std::string untilText(std::string_view until) {
  std::string u = withLineBreaks(until);
  std::string upper = store::toUpperAscii(u);
  if (upper == "TAB") return "\t";
  if (upper == "NEW LINE") return "\r";
  return u;
}

// The trimmed text from `from` up to the first `end` after it, as a PMF value; empty when end
// never comes.
std::string valueUntil(std::string_view body, std::size_t from, std::string_view end) {
  if (end.empty() || from > body.size()) return {};
  std::size_t to = body.find(end, from);
  if (to == std::string_view::npos) return {};
  return store::withoutPmfSeparators(store::trim(body.substr(from, to - from)));
}

std::string keyValue(std::string_view body, const store::ExtractKey& key) {
  std::string find = withLineBreaks(key.find);
  std::size_t a = body.find(find);
  if (find.empty() || a == std::string_view::npos) return {};
  return valueUntil(body, a + find.size(), untilText(key.until));
}

void appendPair(std::string& pmf, std::string_view name, std::string_view value) {
  pmf.append(store::withoutPmfSeparators(name))
      .append(store::kPmfNameEnd)
      .append(value)
      .append(store::kPmfItemEnd);
}

bool isNamed(const store::PersonalField& field) {
  return !field.name.empty() && field.name != store::kFreeFieldName;
}

}  // namespace

std::string formMarkerValue(std::string_view body, std::string_view inputName) {
  if (inputName.empty()) return {};
  std::string start = std::string(kFormMarker) + std::string(inputName) + "@@@=";
  std::string end = "=@@@" + std::string(inputName) + std::string(kFormMarker);
  std::size_t a = body.find(start);
  if (a == std::string_view::npos) return {};
  return valueUntil(body, a + start.size(), end);
}

std::string ExtractValue(std::string_view body, const store::FilterRecord& filter,
                         std::size_t position, ExtractMode mode) {
  if (mode == ExtractMode::kFormMarker) {
    return formMarkerValue(body, filter.fieldTable[position].inputName);
  }
  return keyValue(body, filter.extractKeyTable[position]);
}

Extraction ExtractFields(std::string_view body, const store::FilterRecord& filter) {
  Extraction result;
  result.fields = filter.fieldTable;
  for (auto& field : result.fields) field.value.clear();
  std::size_t count = 0;
  for (std::size_t p = 0; p < store::kPersonalFieldCount; ++p) {
    const auto& field = filter.fieldTable[p];
    std::string marker = std::string(kFormMarker) + field.inputName;
    if (isNamed(field) && body.find(marker) != std::string_view::npos) {
      result.formFound = true;
      std::string value = ExtractValue(body, filter, p, ExtractMode::kFormMarker);
      appendPair(result.pmf, field.name, value);
      result.fields[p].value = std::move(value);
      ++count;
    }
    const auto& key = filter.extractKeyTable[p];
    if (result.formFound || !key.active) continue;
    std::string find = withLineBreaks(key.find);
    if (find.empty() || body.find(find) == std::string_view::npos) continue;
    std::string value = ExtractValue(body, filter, p, ExtractMode::kExtractKey);
    appendPair(result.pmf, key.targetName, value);
    for (auto& target : result.fields) {
      if (target.name == key.targetName) {
        target.value = value;
        break;
      }
    }
    ++count;
  }
  for (; count < store::kPersonalFieldCount; ++count) appendPair(result.pmf, "_", "");
  return result;
}

}  // namespace tidewell::engine
