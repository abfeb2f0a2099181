// A subscriber file of any bytes: what loads must save, and load back equal, record for record;
// the second load meets no damage and the second save writes the same bytes. A load that met
// damage keeps the file as it was beside it.

#include "fuzz/fuzz_support.h"
#include "store/subscriber_file.h"

using namespace tidewell;

namespace {

constexpr std::string_view kProfile =
    "user_properties_start\r\nindex: 1\r\nname: user_properties_start\r\ntitle: Gold\r\n"
    "parent: \r\nuser_properties_end\r\n";

void checkEqual(const store::SubscriberTable& a, const store::SubscriberTable& b) {
  FUZZ_CHECK(a.isEmpty() == b.isEmpty());
  if (a.isEmpty()) return;
  FUZZ_CHECK(a.size() == b.size());
  for (store::Position p = 0; p < a.size(); ++p) {
    FUZZ_CHECK(a.record(p).email() == b.record(p).email());
    FUZZ_CHECK(a.record(p).name() == b.record(p).name());
    FUZZ_CHECK(a.signup(p) == b.signup(p));
    FUZZ_CHECK(a.record(p).sentList() == b.record(p).sentList());
    FUZZ_CHECK(a.active(p) == b.active(p));
    FUZZ_CHECK(a.filterTitle(p) == b.filterTitle(p));
    FUZZ_CHECK(a.pmf(p) == b.pmf(p));
  }
}

std::size_t damagedCopies(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with("Gold.txt.damaged-")) ++count;
  }
  return count;
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
  FUZZ_CHECK(damagedCopies(scratch.folder()) == (loaded && damaged ? 1u : 0u));
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
