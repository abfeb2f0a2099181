// A settings file of any bytes: the profile to open, the profile folder and the grid's columns
// are read from it; remembering a profile and writing the columns back read back as written,
// and a file that is not a settings file is never written.

#include "fuzz/fuzz_support.h"
#include "store/settings_file.h"
#include "store/text.h"
#include "subscribers/grid_column_table.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Scratch scratch;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::filesystem::path ini = scratch.write(std::string(store::kSettingsFileName), bytes);
  store::SettingsFile settings(scratch.folder(), scratch.trap());
  FUZZ_CHECK(settings.Create_INI_File());

  settings.profileFolder();
  if (auto current = settings.currentProfilePath()) FUZZ_CHECK(std::filesystem::exists(*current));
  subscribers::GridColumnTable columns = subscribers::f_load_grid_properties(settings);
  std::string grid = columns.gridText();
  FUZZ_CHECK(subscribers::GridColumnTable::parse(grid).gridText() == grid);
  FUZZ_CHECK(columns.shownEntries().size() <= subscribers::GridColumnTable::kEntryCount);

  std::filesystem::path profile = scratch.write("Gold.dat", "");
  if (!settings.s_load_dat_file(profile)) {
    // Refused (not a settings file, or a broken block): left exactly as it was.
    FUZZ_CHECK(!subscribers::s_update_col_widths(columns, {100, 200}, settings));
    FUZZ_CHECK(fuzz::readBytes(ini) == bytes);
    return 0;
  }
  FUZZ_CHECK(settings.currentProfilePath() == profile);
  FUZZ_CHECK(subscribers::s_update_col_widths(columns, {100, 200}, settings));
  // A damaged key ("grid" and a broken character) can leave half a character in the value,
  // which reads back as Windows-1252.
  if (!store::isValidUtf8(columns.gridText())) return 0;
  FUZZ_CHECK(settings.gridText() == columns.gridText());
  FUZZ_CHECK(subscribers::f_load_grid_properties(settings).gridText() == columns.gridText());
  return 0;
}
