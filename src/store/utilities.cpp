#include "store/utilities.h"

#include <sys/stat.h>

#include <algorithm>

#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::store {

bool ValidateEmail(std::string_view address) {
  return address.find('@') != std::string_view::npos && address.find('.') != std::string_view::npos;
}

bool ValidateURL(std::string_view url) {
  std::size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon < 2 || colon + 1 >= url.size()) return false;
  auto schemeChar = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
  };
  char first = url[0];
  if (!((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z'))) return false;
  if (!std::all_of(url.begin(), url.begin() + static_cast<long>(colon), schemeChar)) return false;
  return std::none_of(url.begin(), url.end(),
                      [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; });
}

bool FileExist(const std::filesystem::path& path) noexcept {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::int64_t GetFileSize(ErrorTrap& trap, const std::filesystem::path& path) {
  return trap.run(Procedure{"GetFileSize"}, std::int64_t{0}, [&] {
    std::string bytes = readFileBytes(path);
    auto count = static_cast<std::int64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    if (!bytes.empty() && bytes.back() != '\n') ++count;
    return count;
  });
}

std::string FileToString(ErrorTrap& trap, const std::filesystem::path& path) {
  return trap.run(Procedure{"FileToString"}, std::string(),
                  [&] { return joinLinesCrLf(readLines(path)); });
}

std::string CallCalander(const std::string& currentText, const std::optional<Date>& confirmed) {
  return confirmed ? pickerText(*confirmed) : currentText;
}

}  // namespace tidewell::store
