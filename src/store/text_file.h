#pragma once
// File access of the core. Every rewrite goes through a work file (the path followed by ".bac")
// that is flushed to disk and then renamed over the target, so the target is never missing or
// half-written. Logs are appended. Failures raise TrapError.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tidewell::store {

std::filesystem::path workFilePath(const std::filesystem::path& target);

std::string readFileBytes(const std::filesystem::path& path);
// The file's text as UTF-8 (Windows-1252 files are converted).
std::string readTextFile(const std::filesystem::path& path);
std::vector<std::string> readLines(const std::filesystem::path& path);

// Writes the whole content into the work file and flushes it; a stale work file is replaced.
// On failure the work file is removed and the target is untouched.
void writeWorkFile(const std::filesystem::path& target, std::string_view content);
// Puts the work file in the place of the target in one step (rename) and flushes the folder.
void commitWorkFile(const std::filesystem::path& target);
// writeWorkFile then commitWorkFile.
void writeFileDurably(const std::filesystem::path& target, std::string_view content);
void writeLinesDurably(const std::filesystem::path& target, const std::vector<std::string>& lines);

// Writes all bytes to an open file, retrying short writes; raises naming path on failure.
void writeAllBytes(int fd, std::string_view bytes, const std::filesystem::path& path);

// Opens a file for appending, made 0600 when missing. When it ends inside a line (torn by a
// crash), a line end goes first, so that the next line cannot join the torn one.
int openForAppending(const std::filesystem::path& path);
// Appends text that ends with a line end as one whole: when the disk takes only part of it, the
// file is cut back to where it ended, so that no reader meets a torn last line.
void appendWhole(int fd, std::string_view text, const std::filesystem::path& path);
// Appends the line and CR LF, creating the file when missing.
void appendLine(const std::filesystem::path& path, std::string_view line);

}  // namespace tidewell::store
