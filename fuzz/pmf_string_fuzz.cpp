// A PMF string of any bytes: a canonical string packs back to itself, and what unpacking reads
// packs to a canonical string that unpacks to the same items.

#include <algorithm>
#include <tuple>

#include "fuzz/fuzz_support.h"
#include "store/pmf_string.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view pmf(reinterpret_cast<const char*>(data), size);
  store::UnpackedPmf unpacked;
  store::unpackPmf(pmf, unpacked);
  std::size_t lastPosition = 0;
  for (const store::PmfItem& item : unpacked.items) {
    FUZZ_CHECK(item.position < store::kPersonalFieldCount);
    FUZZ_CHECK(item.position >= lastPosition);
    lastPosition = item.position + 1;
  }

  std::string packed;
  store::appendPmf(packed, unpacked.items);
  if (unpacked.canonical) FUZZ_CHECK(packed == pmf);
  store::UnpackedPmf again;
  store::unpackPmf(packed, again);
  // Unpacked names and values never hold a separator, so they always pack back alike.
  FUZZ_CHECK(again.canonical);
  auto slot = [](const store::PmfItem& i) { return std::tuple(i.position, i.name, i.value); };
  FUZZ_CHECK(std::ranges::equal(unpacked.items, again.items, {}, slot, slot));
  return 0;
}
