#include "mail/message_parser.h"

#include <gmime/gmime.h>

#include <optional>
#include <vector>

#include "mail/encoded_words.h"
#include "mail/gmime_library.h"
#include "mail/gmime_ptr.h"
#include "mail/text_encoding.h"

namespace tidewell::mail {

namespace {

// What the walk over the parts found first.
struct FoundParts {
  std::string plain;
  std::string html;
  std::string deliveryStatus;
  bool havePlain = false;
  bool haveHtml = false;
  bool haveStatus = false;
  std::vector<GMimeMessage*> enclosed;  // borrowed from the parsed message
};

// A report's returned original can itself return a message; three levels are plenty.
constexpr std::size_t kMaxEnclosed = 3;

std::string decodedContent(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (!content) return {};
  GObjectPtr<GMimeStream> sink(g_mime_stream_mem_new());
  // Undoes base64 or quoted-printable; the charset is left to TextEncoding.
  g_mime_data_wrapper_write_to_stream(content, sink.get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(sink.get()));
  std::string raw(reinterpret_cast<const char*>(bytes->data), bytes->len);
  const char* charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
  return TextEncoding::toUtf8(raw, charset ? charset : "");
}

void inspectPart(GMimeObject* object, FoundParts& found) {
  if (!GMIME_IS_PART(object)) return;
  GMimePart* part = GMIME_PART(object);
  GMimeContentType* type = g_mime_object_get_content_type(object);
  if (!type) return;
  // The global form carries UTF-8 addresses; its fields are the same.
  if (g_mime_content_type_is_type(type, "message", "delivery-status") ||
      g_mime_content_type_is_type(type, "message", "global-delivery-status")) {
    if (!found.haveStatus) found.deliveryStatus = decodedContent(part);
    found.haveStatus = true;
    return;
  }
  if (g_mime_part_is_attachment(part)) return;
  if (!found.havePlain && g_mime_content_type_is_type(type, "text", "plain")) {
    found.plain = decodedContent(part);
    found.havePlain = true;
  } else if (!found.haveHtml && g_mime_content_type_is_type(type, "text", "html")) {
    found.html = decodedContent(part);
    found.haveHtml = true;
  }
}

void walk(GMimeObject* object, FoundParts& found) {
  if (!object) return;
  if (GMIME_IS_MULTIPART(object)) {
    GMimeMultipart* multipart = GMIME_MULTIPART(object);
    const int count = g_mime_multipart_get_count(multipart);
    for (int i = 0; i < count; ++i) walk(g_mime_multipart_get_part(multipart, i), found);
    return;
  }
  // A forwarded or returned message inside this one is not this message's text.
  if (GMIME_IS_MESSAGE_PART(object)) {
    GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
    if (inner && found.enclosed.size() < kMaxEnclosed) found.enclosed.push_back(inner);
    return;
  }
  inspectPart(object, found);
}

void readSender(GMimeMessage* message, IncomingMessage& result) {
  InternetAddressList* from = g_mime_message_get_from(message);
  if (!from || internet_address_list_length(from) == 0) return;
  InternetAddress* address = internet_address_list_get_address(from, 0);
  if (INTERNET_ADDRESS_IS_GROUP(address)) {
    InternetAddressList* members =
        internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address));
    if (!members || internet_address_list_length(members) == 0) return;
    address = internet_address_list_get_address(members, 0);
  }
  if (!INTERNET_ADDRESS_IS_MAILBOX(address)) return;
  const char* name = internet_address_get_name(address);
  const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
  result.senderName = TextEncoding::makeValidUtf8(name ? name : "");
  result.senderAddress = TextEncoding::makeValidUtf8(addr ? addr : "");
}

std::vector<HeaderField> headersOf(GMimeObject* object) {
  std::vector<HeaderField> fields;
  GMimeHeaderList* list = g_mime_object_get_header_list(object);
  const int count = list ? g_mime_header_list_get_count(list) : 0;
  for (int i = 0; i < count; ++i) {
    GMimeHeader* header = g_mime_header_list_get_header_at(list, i);
    const char* name = g_mime_header_get_name(header);
    const char* value = g_mime_header_get_value(header);
    fields.push_back({TextEncoding::makeValidUtf8(name ? name : ""),
                      TextEncoding::makeValidUtf8(value ? value : "")});
  }
  return fields;
}

// The messages inside, breadth first, each read like the outer one but without going deeper
// than kMaxEnclosed messages in all.
void readEnclosed(std::vector<GMimeMessage*> pending, IncomingMessage& result) {
  for (std::size_t i = 0; i < pending.size() && result.enclosed.size() < kMaxEnclosed; ++i) {
    FoundParts found;
    walk(g_mime_message_get_mime_part(pending[i]), found);
    EnclosedMessage inner;
    inner.headers = headersOf(GMIME_OBJECT(pending[i]));
    inner.body = found.havePlain ? found.plain : found.html;
    inner.deliveryStatus = found.deliveryStatus;
    result.enclosed.push_back(std::move(inner));
    for (GMimeMessage* deeper : found.enclosed) pending.push_back(deeper);
  }
}

GMimeParserOptionsPtr parserOptions() {
  GMimeParserOptionsPtr options(g_mime_parser_options_new());
  // Raw 8-bit header text is read with these when it is not valid UTF-8.
  const char* fallback[] = {"utf-8", "windows-1252", nullptr};
  g_mime_parser_options_set_fallback_charsets(options.get(), fallback);
  // Encoded words that break the rules (inside a word, without blanks around) are read too.
  g_mime_parser_options_set_rfc2047_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
  return options;
}

// The raw message with its header section's base64 words rewritten for GMime (see
// encoded_words.h); nothing when there was none to rewrite.
std::optional<std::string> withQuotedHeaderWords(const std::string& raw) {
  std::string_view header(raw.data(), headerSectionLength(raw));
  std::string rewritten = base64WordsAsQuoted(header);
  if (rewritten == header) return std::nullopt;
  return rewritten.append(raw, header.size());
}

}  // namespace

IncomingMessage MessageParser::parse(const std::string& raw, const std::string& uidl) {
  GmimeLibrary::ensureInitialised();
  IncomingMessage result;
  result.uidl = uidl;
  result.fullText = raw;
  if (raw.find_first_not_of(" \t\r\n") == std::string::npos) {
    result.parseError = "empty message";
    return result;
  }
  std::optional<std::string> rewritten = withQuotedHeaderWords(raw);
  const std::string& text = rewritten ? *rewritten : raw;
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GMimeParserOptionsPtr options = parserOptions();
  GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options.get()));
  if (!message) {
    result.parseError = "not a readable MIME message";
    return result;
  }
  const char* subject = g_mime_message_get_subject(message.get());
  result.subject = TextEncoding::makeValidUtf8(subject ? subject : "");
  readSender(message.get(), result);
  FoundParts found;
  walk(g_mime_message_get_mime_part(message.get()), found);
  result.body = found.havePlain ? found.plain : found.html;
  result.deliveryStatus = found.deliveryStatus;
  const char* id = g_mime_message_get_message_id(message.get());
  result.messageId = TextEncoding::makeValidUtf8(id ? id : "");
  result.headers = headersOf(GMIME_OBJECT(message.get()));
  readEnclosed(found.enclosed, result);
  return result;
}

}  // namespace tidewell::mail
