// A filter's field and extract-key tables and a message body of any text: every value found is
// trimmed and reads back out of the PMF string under its field's name, and a body that carries
// the opt-in form's markers gives back the values the form was filled in with.

#include "engine/field_extraction.h"
#include "fuzz/fuzz_support.h"
#include "store/pmf_string.h"
#include "store/text.h"

using namespace tidewell;

namespace {

void checkValuesInPmf(const engine::Extraction& found) {
  store::UnpackedPmf unpacked;
  store::unpackPmf(found.pmf, unpacked);
  for (const store::PersonalField& field : found.fields) {
    if (field.value.empty()) continue;
    FUZZ_CHECK(store::trim(field.value) == field.value);
    bool present = false;
    for (const store::PmfItem& item : unpacked.items) {
      present = present ||
                (item.name == store::withoutPmfSeparators(field.name) && item.value == field.value);
    }
    FUZZ_CHECK(present);
  }
}

// The body the web kit mails for a form filled in with `values`, one per active field.
std::string formBody(const store::FilterRecord& filter, const std::vector<std::string>& values) {
  std::string body = "Sign-up form:\r\n";
  for (std::size_t p = 0; p < store::kPersonalFieldCount; ++p) {
    const std::string& input = filter.fieldTable[p].inputName;
    if (input.empty()) continue;
    body += "@@@" + input + "@@@=" + values[p % values.size()] + "=@@@" + input + "@@@\r\n";
  }
  return body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parts = fuzz::splitInput(data, size, 4);
  store::FilterRecord filter;
  filter.fieldTable = store::parseFieldTable(parts[0]);
  filter.extractKeyTable = store::parseExtractKeys(parts[1]);
  checkValuesInPmf(engine::ExtractFields(parts[2], filter));

  std::vector<std::string> values = store::split(parts[3], "\n");
  if (values.empty()) values.emplace_back();
  for (const std::string& value : values) {
    if (value.find_first_of("@=") != std::string::npos) return 0;  // would end the form's value
  }
  engine::Extraction form = engine::ExtractFields(formBody(filter, values), filter);
  checkValuesInPmf(form);
  for (std::size_t p = 0; p < store::kPersonalFieldCount; ++p) {
    const store::PersonalField& field = filter.fieldTable[p];
    if (field.inputName.empty() || field.name.empty() || field.name == store::kFreeFieldName) {
      continue;
    }
    FUZZ_CHECK(form.formFound);
    std::string_view given = store::trim(values[p % values.size()]);
    FUZZ_CHECK(form.fields[p].value == store::withoutPmfSeparators(given));
  }
  return 0;
}
