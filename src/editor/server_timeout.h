#pragma once
// The server time-out slider: ten positions of 30 seconds each, with their captions. Stateless.
#include <string>
#include <string_view>

namespace tidewell::editor {

inline constexpr int kTimeoutPositions = 10;

// 30 x (position + 1).
int timeoutSeconds(int position);
// "30 seconds", "1 minute", "1 minute 30 seconds", ... "5 minutes".
std::string timeoutCaption(int position);
// Slider position of a stored server_timeout: seconds / 30 - 1, rounded and kept on the slider;
// an absent or unreadable value counts as 60 seconds.
int timeoutPosition(std::string_view storedSeconds);

}  // namespace tidewell::editor
