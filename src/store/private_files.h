#pragma once
// The operator's data is the operator's alone: folders the program makes are 0700 (files are
// made 0600 where they are written), and a profile, which holds the mail passwords, that other
// users may read is pointed out once per process with the command that mends it.

#include <filesystem>

#include "store/error_trap.h"

namespace tidewell::store {

// Makes the folder and every missing folder above it with mode 0700; folders that exist keep
// their mode. Raises TrapError when one cannot be made.
void createPrivateFolders(const std::filesystem::path& folder);

// One error-log line, once per profile and process, when the group or others may read the
// profile file. Never throws.
void noteProfileReadableByOthers(const std::filesystem::path& profile, ErrorTrap& trap) noexcept;

}  // namespace tidewell::store
