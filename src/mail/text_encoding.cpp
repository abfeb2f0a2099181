#include "mail/text_encoding.h"

#include <gmime/gmime.h>

#include <optional>

#include "mail/gmime_ptr.h"

namespace tidewell::mail {

namespace {

std::optional<std::string> convert(const std::string& bytes, const char* charset) {
  gsize written = 0;
  GError* rawError = nullptr;
  GCharPtr converted(g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", charset,
                               nullptr, &written, &rawError));
  GErrorPtr error(rawError);
  if (!converted || error) return std::nullopt;
  return std::string(converted.get(), written);
}

bool isValidUtf8(const std::string& text) {
  return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
}

}  // namespace

std::string TextEncoding::makeValidUtf8(const std::string& text) {
  if (isValidUtf8(text)) return text;
  GCharPtr valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  return valid ? std::string(valid.get()) : std::string();
}

std::string TextEncoding::toUtf8(const std::string& bytes, const std::string& charset) {
  if (!charset.empty()) {
    const char* name = g_mime_charset_iconv_name(charset.c_str());
    if (g_ascii_strcasecmp(name, "utf-8") == 0 || g_ascii_strcasecmp(name, "us-ascii") == 0) {
      if (isValidUtf8(bytes)) return bytes;
    } else if (auto converted = convert(bytes, name)) {
      return makeValidUtf8(*converted);
    }
  }
  // No charset, an unknown one, or bytes that do not fit it: what mail clients get wrong most
  // often is UTF-8 labelled as something else, and unlabelled text from Windows.
  if (isValidUtf8(bytes)) return bytes;
  if (auto converted = convert(bytes, "WINDOWS-1252")) return makeValidUtf8(*converted);
  return makeValidUtf8(bytes);
}

std::string TextEncoding::headerValue(const std::string& text) {
  std::string clean;
  clean.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\t')
      clean += ' ';
    else if (byte >= 0x20 && byte != 0x7f)
      clean += c;
  }
  return makeValidUtf8(clean);
}

}  // namespace tidewell::mail
