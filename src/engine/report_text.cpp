#include "engine/report_text.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "engine/bounce_class.h"
#include "store/text.h"

namespace tidewell::engine {

namespace {

constexpr std::size_t kMaxTextAbout = 1200;

bool isLocalChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view(".!#$%&'*+/=?^_`{|}~-").find(c) != std::string_view::npos;
}

bool isDomainChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-';
}

std::size_t lineStart(std::string_view text, std::size_t pos) {
  std::size_t nl = text.rfind('\n', pos);
  return nl == std::string_view::npos ? 0 : nl + 1;
}

constexpr std::array<std::string_view, 14> kReturnedMessageMarks = {
    "------ this is a copy of the message",
    "--- below this line is a copy of the message",
    "original message follows",
    "-----original message-----",
    "----- original message -----",
    "------ original message ------",
    "----- unsent message below -----",
    "--- the header of the original message is following",
    "content-type: message/rfc822",
    "content-type: text/rfc822-headers",
    "\nreturn-path:",
    "\nreceived: from",
    "\nmessage-id:",
    "original message headers:"};

// Labels some servers glue to the front of an address ("smtp=ann@host").
constexpr std::array<std::string_view, 8> kGluedLabels = {
    "smtp=", "rfc822=", "mailto=", "to=", "recipient=", "rcpt=", "orcpt=", "address="};

// Quote marks and symbols a report puts around an address are not part of it, though a local
// part may hold them: no subscriber's address starts with one.
bool isLeadingJunk(char c) {
  return std::string_view("'`=\"{|}/?^!#$%&*+~.").find(c) != std::string_view::npos;
}

std::size_t withoutGluedLabel(std::string_view text, std::size_t begin, std::size_t at) {
  std::string local = foldAscii(text.substr(begin, at - begin));
  for (std::string_view label : kGluedLabels) {
    if (local.size() > label.size() && local.compare(0, label.size(), label) == 0) {
      return begin + label.size();
    }
  }
  return begin;
}

}  // namespace

std::vector<AddressAt> addressesIn(std::string_view text) {
  std::vector<AddressAt> found;
  std::size_t at = text.find('@');
  while (at != std::string_view::npos) {
    std::size_t begin = at;
    while (begin > 0 && isLocalChar(text[begin - 1])) --begin;
    std::size_t end = at + 1;
    while (end < text.size() && isDomainChar(text[end])) ++end;
    begin = withoutGluedLabel(text, begin, at);
    while (begin < at && isLeadingJunk(text[begin])) ++begin;
    while (end > at + 1 && (text[end - 1] == '.' || text[end - 1] == '-')) --end;
    std::string_view domain = text.substr(at + 1, end - at - 1);
    if (begin < at && domain.find('.') != std::string_view::npos && domain.front() != '.') {
      found.push_back({std::string(text.substr(begin, end - begin)), begin});
    }
    at = text.find('@', std::max(end, at + 1));
  }
  return found;
}

std::string addressOfField(std::string_view value) {
  std::string_view v = store::trim(value);
  if (std::size_t semicolon = v.find(';'); semicolon != std::string_view::npos) {
    std::string type = foldAscii(store::trim(v.substr(0, semicolon)));
    // "smtp" is what some servers write where "rfc822" belongs.
    if (type != "rfc822" && type != "smtp") return {};
    v = store::trim(v.substr(semicolon + 1));
  }
  if (!v.empty() && v.front() == '<') v.remove_prefix(1);
  if (!v.empty() && v.back() == '>') v.remove_suffix(1);
  auto found = addressesIn(v);
  // One address, with at most quote marks or a glued label around it; words mean a text.
  if (found.size() != 1 || v.find_first_of(" \t") != std::string_view::npos) return {};
  return foldAscii(found[0].address);
}

std::string_view beforeReturnedMessage(std::string_view folded) {
  std::size_t cut = folded.size();
  for (std::string_view mark : kReturnedMessageMarks) {
    cut = std::min(cut, folded.find(mark));
  }
  return folded.substr(0, cut);
}

std::string_view textAbout(std::string_view folded, const std::vector<AddressAt>& found,
                           std::string_view address) {
  auto first = std::find_if(found.begin(), found.end(),
                            [&](const AddressAt& a) { return a.address == address; });
  if (first == found.end()) return {};
  std::size_t begin = lineStart(folded, first->position);
  std::size_t end = std::min(folded.size(), begin + kMaxTextAbout);
  for (auto it = first + 1; it != found.end(); ++it) {
    if (it->address == address) continue;
    std::size_t next = lineStart(folded, it->position);
    if (next > begin) end = std::min(end, next);
    break;
  }
  return folded.substr(begin, end - begin);
}

std::string headerValue(const std::vector<mail::HeaderField>& headers, std::string_view name) {
  for (const auto& field : headers) {
    if (store::equalsIgnoreCase(field.name, name)) return field.value;
  }
  return {};
}

std::vector<std::string> headerAddresses(const std::vector<mail::HeaderField>& headers,
                                         std::string_view name) {
  std::vector<std::string> addresses;
  for (const auto& field : headers) {
    if (!store::equalsIgnoreCase(field.name, name)) continue;
    for (auto& a : addressesIn(field.value)) addresses.push_back(foldAscii(a.address));
  }
  return addresses;
}

std::string withoutMarkup(std::string_view html) {
  std::string text;
  text.reserve(html.size());
  for (std::size_t i = 0; i < html.size(); ++i) {
    std::size_t close = html[i] == '<' ? html.find('>', i) : std::string_view::npos;
    std::string_view tag =
        close == std::string_view::npos ? std::string_view() : html.substr(i, close - i);
    // "<user@host>" is an address, not markup.
    if (tag.size() > 1 && tag.find('@') == std::string_view::npos &&
        (std::isalpha(static_cast<unsigned char>(tag[1])) || tag[1] == '/' || tag[1] == '!')) {
      text += '\n';
      i = close;
      continue;
    }
    text += html[i];
  }
  return store::replaceAll(store::replaceAll(text, "&nbsp;", " "), "&amp;", "&");
}

}  // namespace tidewell::engine
