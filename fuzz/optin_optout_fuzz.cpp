// The opt-in form and the opt-out link made of any captions, titles and addresses the web kit
// address check lets through: the form stays well-formed HTML whose quoted values read back as
// given, and the link stays a URL whose values decode back as given around its placeholders.

#include <cctype>
#include <regex>

#include "editor/optin_form.h"
#include "editor/optout_link.h"
#include "editor/web_kit.h"
#include "fuzz/fuzz_support.h"
#include "store/text.h"

using namespace tidewell;

namespace {

std::string unescapeHtml(std::string_view text) {
  static const std::regex kBare("&(?!amp;|lt;|gt;|quot;|#39;)");
  FUZZ_CHECK(!std::regex_search(text.begin(), text.end(), kBare));  // no bare & in the markup
  // "&amp;" last: every & the others find starts a reference, never an escaped "&".
  static const std::pair<const char*, const char*> kReferences[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
  std::string out(text);
  for (const auto& [reference, c] : kReferences) out = store::replaceAll(out, reference, c);
  return out;
}

// Walks the markup: tags close, no < or > stands in text or values, and the quoted attribute
// values are returned unescaped, in order; `tags` counts the tags.
std::vector<std::string> quotedValues(std::string_view html, std::size_t& tags) {
  std::vector<std::string> values;
  bool inTag = false;
  std::size_t quoteStart = std::string_view::npos;
  for (std::size_t i = 0; i < html.size(); ++i) {
    char c = html[i];
    if (quoteStart != std::string_view::npos) {
      FUZZ_CHECK(c != '<' && c != '>');
      if (c == '"') {
        values.push_back(unescapeHtml(html.substr(quoteStart, i - quoteStart)));
        quoteStart = std::string_view::npos;
      }
    } else if (inTag) {
      FUZZ_CHECK(c != '<');
      if (c == '"') quoteStart = i + 1;
      if (c == '>') inTag = false;
    } else {
      FUZZ_CHECK(c != '>');
      if (c == '<') {
        inTag = true;
        ++tags;
      }
    }
  }
  FUZZ_CHECK(!inTag && quoteStart == std::string_view::npos);
  unescapeHtml(html);
  return values;
}

void checkForm(const store::FieldTable& fields, const editor::OptInFormInputs& inputs) {
  std::size_t tags = 0;
  std::vector<std::string> values = quotedValues(editor::optInFormHtml(fields, inputs), tags);
  std::vector<std::string> expected{inputs.kitAddress + "email.php"};
  for (std::size_t p = 1; p < store::kPersonalFieldCount; ++p) {
    if (fields[p].active) expected.push_back(fields[p].inputName);
  }
  for (const std::string* v : {&inputs.subjectKeyword, &inputs.redirect, &inputs.listAddress}) {
    expected.push_back(*v);
  }
  // The kit's own fields (the honeypot, the signed form time) stand between them: every value
  // the operator gave must come back whole and in order.
  std::size_t found = 0;
  for (const std::string& v : values) {
    if (found < expected.size() && v == expected[found]) ++found;
  }
  FUZZ_CHECK(found == expected.size());
  // The same form of plain values has the same tags.
  store::FieldTable plain = fields;
  for (store::PersonalField& field : plain) {
    if (!field.caption.empty()) field.caption = "c";
  }
  std::size_t plainTags = 0;
  quotedValues(editor::optInFormHtml(plain, {"https://x/", "x", "x", "x"}), plainTags);
  FUZZ_CHECK(tags == plainTags);
}

// A URL's characters, every % starting an escape.
bool urlText(std::string_view text) {
  static constexpr std::string_view kAllowed = "-._~:/?#[]@!$&'()*+,;=%";
  static const std::regex kBrokenEscape("%(?![0-9A-Fa-f]{2})");
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (!std::isalnum(byte) && byte < 0x80 && kAllowed.find(c) == kAllowed.npos) return false;
  }
  return !std::regex_search(text.begin(), text.end(), kBrokenEscape);
}

// A query value: percent-encoded, nothing of the query's own syntax left bare.
std::string decodedValue(std::string_view text) {
  FUZZ_CHECK(text.find_first_of("&#=+") == std::string_view::npos);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
    i += 2;
  }
  return out;
}

void checkLink(std::string_view kit, std::string_view list, std::string_view title,
               std::string_view d) {
  std::string link = editor::optOutLink(kit, list, title, d);
  // The placeholders stand where sending puts the subscriber's address and key.
  std::string f = "&f=" + std::string(d) + "email" + std::string(d) + "&s=";
  std::string k = "&c=o&k=" + std::string(d) + "optoutkey" + std::string(d);
  std::string head = std::string(kit) + "o.php?t=";
  FUZZ_CHECK(link.starts_with(head) && link.ends_with(k));
  std::string_view query(link);
  query = query.substr(head.size(), query.size() - head.size() - k.size());
  std::size_t at = query.find(f);
  FUZZ_CHECK(at != std::string_view::npos);
  std::string_view t = query.substr(0, at);
  std::string_view s = query.substr(at + f.size());
  FUZZ_CHECK(urlText(kit) && urlText(t) && urlText(s));
  FUZZ_CHECK(decodedValue(t) == list);
  FUZZ_CHECK(decodedValue(s) == title);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parts = fuzz::splitInput(data, size, 7);
  std::string kit(parts[0]);
  if (editor::webKitAddressProblem(kit) || kit.empty()) return 0;  // refused where it is entered
  editor::OptInFormInputs inputs{kit, std::string(parts[1]), std::string(parts[5]),
                                 std::string(parts[6])};
  checkForm(store::parseFieldTable(parts[4]), inputs);
  checkLink(kit, parts[1], parts[2], parts[3]);
  return 0;
}
