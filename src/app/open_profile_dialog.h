#pragma once
// The profile-open dialog (`s_load_dat_file`): the operator picks a profile file and the
// settings file remembers it as the one to open. Used by the start window and the File menu;
// UI thread only.

#include <QString>
#include <filesystem>

#include "store/settings_file.h"

class QWidget;

namespace tidewell::app {

// Shows the dialog starting in startFolder; true when a profile was chosen and remembered.
// The current directory is the start folder again afterwards.
bool s_load_dat_file(QWidget* parent, store::SettingsFile& settings,
                     const std::filesystem::path& startFolder);

}  // namespace tidewell::app
