// A subscriber file of any bytes: what loads must save, and load back equal, record for record;
// the second load meets no damage and the second save writes the same bytes. A load that met
// damage keeps the file as it was beside it.

#include <algorithm>
#include <tuple>

#include "fuzz/fuzz_support.h"
#include "store/subscriber_file.h"

using namespace tidewell;

namespace {

constexpr std::string_view kProfile =
    "user_properties_start\r\nindex: 1\r\nname: user_properties_start\r\ntitle: Gold\r\n"
    "parent: \r\nuser_properties_end\r\n";

// A record as a tuple of what the file holds of it.
auto row(const store::SubscriberTable& t, store::Position p) {
  const store::SubscriberRecord& r = t.record(p);
  return std::tuple(r.email(), r.name(), t.signup(p), r.sentList(), t.active(p), t.filterTitle(p),
                    t.pmf(p));
}

void checkEqual(const store::SubscriberTable& a, const store::SubscriberTable& b) {
  FUZZ_CHECK(a.isEmpty() == b.isEmpty());
  if (a.isEmpty()) return;
  FUZZ_CHECK(a.size() == b.size());
  for (store::Position p = 0; p < a.size(); ++p) FUZZ_CHECK(row(a, p) == row(b, p));
}

long damagedCopies(const std::filesystem::path& folder) {
  return std::ranges::count_if(std::filesystem::directory_iterator(folder), [](const auto& entry) {
    return entry.path().filename().string().starts_with("Gold.txt.damaged-");
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Scratch scratch;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::filesystem::path file = scratch.write("Gold.txt", bytes);
  store::ProfileStore profile(scratch.write("Gold.dat", kProfile), scratch.trap());
  store::SubscriberFile subscribers(scratch.folder(), profile, scratch.trap());

  store::SubscriberTable first;
  int reportsBefore = scratch.trap().reportCount();
  bool loaded = subscribers.LoadSubscriberFile(first);
  bool damaged = scratch.trap().reportCount() > reportsBefore;
  FUZZ_CHECK(damagedCopies(scratch.folder()) == (loaded && damaged ? 1 : 0));
  if (!loaded || first.saveBlocked()) {
    FUZZ_CHECK(!subscribers.Save_Email(first) || first.isEmpty());
    FUZZ_CHECK(fuzz::readBytes(file) == bytes);
    return 0;
  }
  if (first.isEmpty()) return 0;  // nothing to save: the file is left as it is

  first.setChanged();
  FUZZ_CHECK(subscribers.Save_Email(first));
  std::string saved = fuzz::readBytes(file);
  store::SubscriberTable second;
  reportsBefore = scratch.trap().reportCount();
  FUZZ_CHECK(subscribers.LoadSubscriberFile(second));
  FUZZ_CHECK(scratch.trap().reportCount() == reportsBefore);
  checkEqual(first, second);
  second.setChanged();
  FUZZ_CHECK(subscribers.Save_Email(second));
  FUZZ_CHECK(fuzz::readBytes(file) == saved);
  return 0;
}
