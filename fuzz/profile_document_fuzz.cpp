// A profile file of any bytes: read it through the store, change one property by key, renumber
// the blocks. A refused file stays as it was; a change reads back as the document made it; a
// renumbered file numbers its blocks 1, 2, 3, ... and a second renumbering changes nothing.

#include "fuzz/fuzz_support.h"
#include "store/profile_store.h"

using namespace tidewell;

constexpr std::string_view kTitle = "Fuzz title";

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Scratch scratch;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::filesystem::path path = scratch.write("Fuzz.dat", bytes);
  store::ProfileStore store(path, scratch.trap());
  std::optional<store::ProfileDocument> loaded;
  scratch.trap().run(store::Procedure{"load"}, [&] { loaded = store.load(); });
  if (!loaded) {
    // A file that is no profile (or holds a broken block) is never written.
    store.UpdateFile_new(store::kUserBlock, "title", kTitle);
    store.UpdateIndex();
    FUZZ_CHECK(fuzz::readBytes(path) == bytes);
    return 0;
  }

  // The block a keyed update goes to: one the file names, so that the update has work to do.
  std::vector<int> tree = loaded->indexesInTreeOrder();
  int index = tree.empty() ? store::kUserBlock : tree.back();
  store::ProfileDocument expected = *loaded;
  bool changed =
      scratch.trap().run(store::Procedure{"set"}, [&] { expected.set(index, "title", kTitle); });
  FUZZ_CHECK(store.UpdateFile_new(index, "title", kTitle) == changed);
  if (changed) {
    FUZZ_CHECK(store.load().lines() == expected.lines());
    FUZZ_CHECK(store.GetFromFile_new(index, "title") == kTitle);
  } else {
    FUZZ_CHECK(fuzz::readBytes(path) == bytes);
  }

  std::size_t blocks = store.load().blockCount();
  if (!store.UpdateIndex()) return 0;
  store::ProfileDocument renumbered = store.load();
  FUZZ_CHECK(renumbered.blockCount() == blocks);
  int number = 1;
  for (const std::string& line : renumbered.lines()) {
    if (store::isIndexLine(line)) FUZZ_CHECK(store::indexLineNumber(line) == number++);
  }
  if (changed) FUZZ_CHECK(renumbered.containsLine("title: Fuzz title"));
  std::string once = fuzz::readBytes(path);
  FUZZ_CHECK(store.UpdateIndex());
  FUZZ_CHECK(fuzz::readBytes(path) == once);
  return 0;
}
