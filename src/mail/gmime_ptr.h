#pragma once
// Owning pointers for GMime and GLib objects: a GObject is released with g_object_unref, a
// GLib string with g_free, a GError with g_error_free. Used wherever mail/ calls GMime.
#include <gmime/gmime.h>

#include <memory>

namespace tidewell::mail {

struct GObjectUnref {
  void operator()(void* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
  void operator()(void* memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<char, GFree>;

struct GErrorFree {
  void operator()(GError* error) const {
    if (error) g_error_free(error);
  }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GDateTimeUnref {
  void operator()(GDateTime* time) const {
    if (time) g_date_time_unref(time);
  }
};
using GDateTimePtr = std::unique_ptr<GDateTime, GDateTimeUnref>;

struct GMimeParserOptionsFree {
  void operator()(GMimeParserOptions* options) const { g_mime_parser_options_free(options); }
};
using GMimeParserOptionsPtr = std::unique_ptr<GMimeParserOptions, GMimeParserOptionsFree>;

struct GMimeFormatOptionsFree {
  void operator()(GMimeFormatOptions* options) const { g_mime_format_options_free(options); }
};
using GMimeFormatOptionsPtr = std::unique_ptr<GMimeFormatOptions, GMimeFormatOptionsFree>;

}  // namespace tidewell::mail
