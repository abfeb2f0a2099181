#pragma once
// Turns bytes of a message part or header into valid UTF-8, and cleans values before they
// become header fields. Pure functions, any thread.
#include <string>

namespace tidewell::mail {

class TextEncoding {
 public:
  // bytes in the named charset (empty: unknown); falls back to UTF-8 and then Windows-1252, and
  // replaces whatever still does not decode, so the result is always valid UTF-8.
  static std::string toUtf8(const std::string& bytes, const std::string& charset);
  static std::string makeValidUtf8(const std::string& text);
  // Drops CR, LF and every other control character so data can never start a header line.
  static std::string headerValue(const std::string& text);
};

}  // namespace tidewell::mail
