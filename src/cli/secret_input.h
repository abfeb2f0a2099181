#pragma once
// Reads a secret the operator types: from the terminal without echo (asked twice, so a typing
// slip is caught), or as the first line of standard input when that is a pipe or a file. Never
// from the command line, where other users could see it in the process list.

#include <optional>
#include <string>

namespace tidewell::cli {

// The secret, or nullopt when the two typed entries differ or input ended before any line.
std::optional<std::string> readSecret(const std::string& prompt);

}  // namespace tidewell::cli
