// A downloaded message of any bytes, read with GMime and then as a delivery report: the reader
// never fails outright, keeps the raw text, gives UTF-8 texts, and a report names recipients in
// lower case with a status code of the two known forms and a known class, a success
// code never classed as a failure. A message built of the same text reads back as built.

#include <regex>

#include "engine/delivery_report_reader.h"
#include "fuzz/fuzz_support.h"
#include "mail/message_builder.h"
#include "mail/message_parser.h"
#include "store/text.h"

using namespace tidewell;

namespace {

// "5.1.1" (class 2, 4 or 5, then one to three digits twice), a reply code "550", or nothing.
bool statusCode(const std::string& s) {
  static const std::regex kForms("|[45][0-9]{2}|[245]\\.[0-9]{1,3}\\.[0-9]{1,3}");
  return std::regex_match(s, kForms);
}

// Text made only of printable characters and the given controls.
bool printable(std::string_view text, std::string_view controls) {
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 || byte == 0x7f) && controls.find(c) == std::string_view::npos) return false;
  }
  return store::isValidUtf8(text);
}

std::string withoutFinalLineEnds(std::string text) {
  text = store::replaceAll(text, "\r\n", "\n");
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// A message the program builds of the same text (first line the subject, the rest the body)
// reads back with that subject and body.
void checkBuiltMessage(std::string_view raw) {
  std::size_t end = raw.find('\n');
  if (end == std::string_view::npos) return;
  mail::OutgoingMessage out;
  out.subject = std::string(raw.substr(0, end));
  out.body = std::string(raw.substr(end + 1));
  if (!printable(out.subject, "") || !printable(out.body, "\n\t")) return;
  // Text that reads as an encoded word is sent as it is and decoded by the reader.
  if (out.subject.find("=?") != std::string::npos) return;
  out.toAddress = "ann@example.org";
  out.fromAddress = "list@example.com";
  mail::IncomingMessage back =
      mail::MessageParser::parse(mail::MessageBuilder::build(out).data, "u");
  FUZZ_CHECK(back.parseError.empty());
  FUZZ_CHECK(back.subject == store::trim(out.subject));
  FUZZ_CHECK(withoutFinalLineEnds(back.body) == withoutFinalLineEnds(out.body));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string raw(reinterpret_cast<const char*>(data), size);
  mail::IncomingMessage message = mail::MessageParser::parse(raw, "uidl-1");
  FUZZ_CHECK(message.uidl == "uidl-1");
  FUZZ_CHECK(message.fullText == raw);
  for (const std::string* text : {&message.subject, &message.body, &message.senderName}) {
    FUZZ_CHECK(store::isValidUtf8(*text));
  }

  engine::ReportReading reading = engine::readDeliveryReport(message);
  if (!reading.isReport) {
    FUZZ_CHECK(reading.recipients.empty() && !reading.deliveredOnly);
  }
  for (const engine::RecipientStatus& r : reading.recipients) {
    FUZZ_CHECK(r.address.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos);
    FUZZ_CHECK(statusCode(r.status));
    // A success code a text report mentions never counts as a failure.
    if (r.status.starts_with("2")) FUZZ_CHECK(r.bounceClass == engine::BounceClass::kUnknown);
    FUZZ_CHECK(r.bounceClass >= engine::BounceClass::kPermanent &&
               r.bounceClass <= engine::BounceClass::kUnknown);
  }
  checkBuiltMessage(raw);
  return 0;
}
