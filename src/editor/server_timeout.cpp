#include "editor/server_timeout.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "store/text.h"

namespace tidewell::editor {

int timeoutSeconds(int position) {
  return 30 * (std::clamp(position, 0, kTimeoutPositions - 1) + 1);
}

std::string timeoutCaption(int position) {
  // Position 6 keeps the wording the operators have always seen.
  static const std::array<std::string_view, kTimeoutPositions> kCaptions = {
      "30 seconds",           "1 minute",  "1 minute 30 seconds", "2 minutes",
      "2 minutes 30 seconds", "3 minutes", "3 minute 30 seconds", "4 minutes",
      "4 minutes 30 seconds", "5 minutes"};
  return std::string(kCaptions[static_cast<std::size_t>(timeoutSeconds(position) / 30 - 1)]);
}

int timeoutPosition(std::string_view storedSeconds) {
  std::string_view text = store::trim(storedSeconds);
  double seconds = 60;
  double parsed = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error == std::errc() && end == text.data() + text.size()) seconds = parsed;
  long position = std::lround(seconds / 30.0 - 1.0);
  return static_cast<int>(std::clamp<long>(position, 0, kTimeoutPositions - 1));
}

}  // namespace tidewell::editor
