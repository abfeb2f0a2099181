#pragma once
// Small shared procedures: address and URL checks, file tests, and the picker's date text.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/date_text.h"
#include "store/error_trap.h"

namespace tidewell::store {

// True when the text holds an "@" and a "." anywhere; nothing else is tested.
bool ValidateEmail(std::string_view address);
// True for an absolute URL: a scheme of two or more letters, digits, "+", "-" or ".", a colon,
// and a rest without blanks or control characters.
bool ValidateURL(std::string_view url);
// True when path names a regular file whose length can be taken.
bool FileExist(const std::filesystem::path& path) noexcept;
// Number of lines of a text file (not bytes); 0 on failure.
std::int64_t GetFileSize(ErrorTrap& trap, const std::filesystem::path& path);
// The whole text, every line followed by CR LF; empty on failure.
std::string FileToString(ErrorTrap& trap, const std::filesystem::path& path);
// The date picker's answer: "Dec 5, 2026" for a confirmed date, the current text otherwise.
std::string CallCalander(const std::string& currentText, const std::optional<Date>& confirmed);

}  // namespace tidewell::store
