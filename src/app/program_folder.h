#pragma once
// The program folder of the desktop program: the per-user application data folder, made on
// first start (0700, as every missing folder above it) and made the current directory, so
// relative names resolve there. Used once by main(); UI thread.

#include <filesystem>
#include <optional>

namespace tidewell::app {

// Creates the folder when needed and enters it; nullopt when neither is possible.
std::optional<std::filesystem::path> enterProgramFolder();

}  // namespace tidewell::app
