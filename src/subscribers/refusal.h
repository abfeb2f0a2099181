#pragma once
// Why an action of the subscriber windows will not go on: the message box text and caption a
// dialog shows (tidewell-cli prints them as "caption: text").

#include <string>

namespace tidewell::subscribers {

struct Refusal {
  std::string message;
  std::string caption;
  bool operator==(const Refusal&) const = default;
};

}  // namespace tidewell::subscribers
