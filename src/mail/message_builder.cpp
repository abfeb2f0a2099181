#include "mail/message_builder.h"

#include <gmime/gmime.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>
#include <utility>
#include <vector>

#include "mail/gmime_library.h"
#include "mail/gmime_ptr.h"
#include "mail/text_encoding.h"

namespace tidewell::mail {

namespace {

// Bare CR and LF in the body would reach the wire unpaired; GMime writes CR LF for every LF.
std::string unixLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
  }
  return out;
}

std::string domainOf(const std::string& address) {
  const auto at = address.rfind('@');
  if (at == std::string::npos || at + 1 >= address.size()) return "localhost";
  return address.substr(at + 1);
}

// Random enough to be unique, and cheap: GMime's own generators read /dev/urandom for every
// Message-ID and boundary, which a pass of thousands of messages feels.
std::string uniqueToken() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char text[40];
  std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(random()),
                static_cast<unsigned long long>(random()));
  return text;
}

// The local time zone, looked up once per thread rather than once per message.
GTimeZone* localZone() {
  static thread_local std::unique_ptr<GTimeZone, void (*)(GTimeZone*)> zone(g_time_zone_new_local(),
                                                                            g_time_zone_unref);
  return zone.get();
}

// A mailbox whose display name, when it is not ASCII, is encoded as UTF-8 words like the
// subject (left to itself GMime picks ISO-8859-1 whenever the name fits it).
void addMailbox(GMimeMessage* mime, GMimeAddressType type, const std::string& name,
                const std::string& address) {
  GObjectPtr<InternetAddress> mailbox(
      internet_address_mailbox_new(TextEncoding::headerValue(name).c_str(), address.c_str()));
  internet_address_set_charset(mailbox.get(), "utf-8");
  internet_address_list_add(g_mime_message_get_addresses(mime, type), mailbox.get());
}

// A header of addresses written exactly as given: GMime would encode a long URL as RFC 2047
// words, which no mail program reads as an address. Folded after each ", " between addresses.
void setAsciiHeader(GMimeMessage* mime, const char* name, const std::string& value) {
  std::string raw;
  for (char c : TextEncoding::headerValue(value)) {
    if (static_cast<unsigned char>(c) >= 0x80) continue;
    raw += c;
    if (c == ',') raw += "\n";
  }
  if (raw.empty()) return;
  g_mime_object_set_header(GMIME_OBJECT(mime), name, "", nullptr);
  GMimeHeader* header =
      g_mime_header_list_get_header(g_mime_object_get_header_list(GMIME_OBJECT(mime)), name);
  g_mime_header_set_raw_value(header, (" " + raw + "\n").c_str());
}

void addHeaders(GMimeMessage* mime, const OutgoingMessage& message) {
  const std::string fromAddress = TextEncoding::headerValue(message.fromAddress);
  addMailbox(mime, GMIME_ADDRESS_TYPE_FROM, message.fromName, fromAddress);
  addMailbox(mime, GMIME_ADDRESS_TYPE_TO, message.toName,
             TextEncoding::headerValue(message.toAddress));
  const std::string replyTo = TextEncoding::headerValue(message.replyTo);
  if (!replyTo.empty())
    g_mime_message_add_mailbox(mime, GMIME_ADDRESS_TYPE_REPLY_TO, "", replyTo.c_str());
  g_mime_message_set_subject(mime, TextEncoding::headerValue(message.subject).c_str(), "utf-8");
  GDateTimePtr now(g_date_time_new_now(localZone()));
  g_mime_message_set_date(mime, now.get());
  const std::string id = uniqueToken() + "@" + domainOf(fromAddress);
  g_mime_message_set_message_id(mime, id.c_str());
  const std::pair<const char*, const std::string*> listFields[] = {
      {"List-Id", &message.listId},
      {"List-Unsubscribe", &message.listUnsubscribe},
      {"List-Unsubscribe-Post", &message.listUnsubscribePost}};
  for (const auto& [name, value] : listFields) setAsciiHeader(mime, name, *value);
}

GObjectPtr<GMimeObject> textPart(const std::string& text, bool html) {
  GObjectPtr<GMimeTextPart> part(g_mime_text_part_new_with_subtype(html ? "html" : "plain"));
  const std::string body = unixLineEnds(TextEncoding::makeValidUtf8(text));
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(body.data(), body.size()));
  GObjectPtr<GMimeDataWrapper> content(
      g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  // g_mime_text_part_set_text would pick ISO-8859-1 whenever the text fits it.
  g_mime_part_set_content(GMIME_PART(part.get()), content.get());
  g_mime_text_part_set_charset(part.get(), "utf-8");
  const GMimeContentEncoding encoding =
      g_mime_part_get_best_content_encoding(GMIME_PART(part.get()), GMIME_ENCODING_CONSTRAINT_7BIT);
  g_mime_part_set_content_encoding(GMIME_PART(part.get()), encoding);
  return GObjectPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

// The attachment's part with `content` (base64 text) as its content: GMime writes it unchanged
// because the stream's encoding and the part's are the same.
GObjectPtr<GMimeObject> attachmentPart(const std::string& path, const std::string& content) {
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(content.data(), content.size()));
  GObjectPtr<GMimeDataWrapper> wrapper(
      g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_BASE64));
  GObjectPtr<GMimePart> part(g_mime_part_new_with_type("application", "octet-stream"));
  g_mime_part_set_content(part.get(), wrapper.get());
  g_mime_object_set_disposition(GMIME_OBJECT(part.get()), GMIME_DISPOSITION_ATTACHMENT);
  const std::string name =
      TextEncoding::headerValue(std::filesystem::path(path).filename().string());
  g_mime_part_set_filename(part.get(), name.c_str());
  g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
  return GObjectPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

std::string serialise(GMimeMessage* mime, std::size_t sizeHint) {
  GMimeFormatOptionsPtr format(g_mime_format_options_new());
  g_mime_format_options_set_newline_format(format.get(), GMIME_NEWLINE_FORMAT_DOS);
  // Sized up front: growing the buffer step by step copies a large message many times.
  GObjectPtr<GMimeStream> sink(
      g_mime_stream_mem_new_with_byte_array(g_byte_array_sized_new(static_cast<guint>(sizeHint))));
  g_mime_object_write_to_stream(GMIME_OBJECT(mime), format.get(), sink.get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(sink.get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

}  // namespace

BuiltMessage MessageBuilder::build(const OutgoingMessage& message) {
  AttachmentCache cache;
  return build(message, cache);
}

namespace {

// The attachments of a message, encoded. A part may carry a placeholder line in place of its
// base64 text; GMime then has a few bytes to write instead of the whole file, and the text, in
// its wire form, is put in the placeholder's place afterwards.
struct Attachments {
  std::vector<std::pair<std::string, const AttachmentCache::Encoded*>> files;
  std::size_t encodedSize = 0;
};

Attachments encodedAttachments(const OutgoingMessage& message, AttachmentCache& cache,
                               std::string& warnings) {
  Attachments found;
  for (const std::string& path : message.attachments) {
    const AttachmentCache::Encoded* encoded = cache.encoded(path);
    if (!encoded) {
      warnings += "attachment \"" + path + "\" not found or unreadable; sent without it\n";
      continue;
    }
    found.files.emplace_back(path, encoded);
    found.encodedSize += encoded->crlfBase64.size();
  }
  return found;
}

std::string buildWith(const OutgoingMessage& message, const Attachments& attachments,
                      bool placeholders) {
  GObjectPtr<GMimeMessage> mime(g_mime_message_new(TRUE));
  addHeaders(mime.get(), message);
  GObjectPtr<GMimeObject> body = textPart(message.body, message.html);
  if (message.html && !message.textAlternative.empty()) {
    // The plain text first: readers show the last alternative they can.
    GObjectPtr<GMimeMultipart> alternative(g_mime_multipart_new_with_subtype("alternative"));
    g_mime_multipart_set_boundary(alternative.get(), ("=_" + uniqueToken()).c_str());
    g_mime_multipart_add(alternative.get(), textPart(message.textAlternative, false).get());
    g_mime_multipart_add(alternative.get(), body.get());
    body.reset(GMIME_OBJECT(alternative.release()));
  }
  GObjectPtr<GMimeMultipart> mixed;
  if (!attachments.files.empty()) {
    mixed.reset(g_mime_multipart_new_with_subtype("mixed"));
    g_mime_multipart_set_boundary(mixed.get(), ("=_" + uniqueToken()).c_str());
    g_mime_multipart_add(mixed.get(), body.get());
  }
  for (const auto& [path, encoded] : attachments.files) {
    const std::string& content = placeholders ? encoded->placeholder : encoded->base64;
    g_mime_multipart_add(mixed.get(), attachmentPart(path, content).get());
  }
  g_mime_message_set_mime_part(mime.get(), mixed ? GMIME_OBJECT(mixed.get()) : body.get());
  return serialise(mime.get(),
                   message.body.size() * 2 + 4096 + (placeholders ? 0 : attachments.encodedSize));
}

// Puts each attachment's wire form where its placeholder line stands; false when a placeholder
// is not there as written.
bool fillPlaceholders(std::string& data, const Attachments& attachments) {
  std::string filled;
  filled.reserve(data.size() + attachments.encodedSize);
  std::size_t from = 0;
  for (const auto& [path, encoded] : attachments.files) {
    std::string line = encoded->placeholder;
    line.insert(line.size() - 1, "\r");
    std::size_t at = data.find(line, from);
    if (at == std::string::npos) return false;
    filled.append(data, from, at - from).append(encoded->crlfBase64);
    from = at + line.size();
  }
  filled.append(data, from, std::string::npos);
  data = std::move(filled);
  return true;
}

}  // namespace

BuiltMessage MessageBuilder::build(const OutgoingMessage& message, AttachmentCache& cache) {
  GmimeLibrary::ensureInitialised();
  BuiltMessage built;
  Attachments attachments = encodedAttachments(message, cache, built.warnings);
  built.data = buildWith(message, attachments, true);
  if (!fillPlaceholders(built.data, attachments)) {
    built.data = buildWith(message, attachments, false);
  }
  return built;
}

}  // namespace tidewell::mail
