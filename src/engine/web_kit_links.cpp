#include "engine/web_kit_links.h"

#include "engine/optout_token.h"
#include "store/text.h"

namespace tidewell::engine {

std::string optOutQuery(std::string_view listAddress, std::string_view addressPart,
                        std::string_view filterTitle) {
  std::string query = "o.php?t=" + store::percentEncode(listAddress);
  query += "&f=";
  query += addressPart;
  query += "&s=" + store::percentEncode(filterTitle);
  query += "&c=o";
  return query;
}

std::string personalOptOutUrl(std::string_view kitAddress, std::string_view secretHex,
                              std::string_view listAddress, std::string_view address,
                              std::string_view filterTitle) {
  std::string token = optOutToken(secretHex, address, filterTitle);
  if (kitAddress.empty() || token.empty()) return {};
  return std::string(kitAddress) +
         optOutQuery(listAddress, store::percentEncode(address), filterTitle) + "&k=" + token;
}

std::string kitSenderAddress(std::string_view kitAddress, std::string_view listAddress) {
  std::size_t start = kitAddress.find("://");
  start = start == std::string_view::npos ? 0 : start + 3;
  std::size_t end = kitAddress.find_first_of(":/?#", start);
  std::string host(kitAddress.substr(
      start, end == std::string_view::npos ? std::string_view::npos : end - start));
  if (store::startsWithIgnoreCase(host, "www.")) host.erase(0, 4);
  return host.empty() ? std::string(listAddress) : "webkit@" + host;
}

std::string optOutMailto(std::string_view listAddress, std::string_view filterTitle,
                         std::string_view optout) {
  return "mailto:" + std::string(listAddress) + "?subject=" + store::percentEncode(filterTitle) +
         "&body=" + store::percentEncode("@@@" + std::string(optout));
}

std::string listIdOf(std::string_view filterTitle, std::string_view listAddress) {
  std::string phrase;
  std::string slug;
  for (char c : filterTitle) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) continue;
    if (c == '"' || c == '\\') phrase += '\\';
    phrase += c;
    bool word = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
      word = true;
    }
    if (word) {
      slug += c;
    } else if (!slug.empty() && slug.back() != '-') {
      slug += '-';
    }
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  if (slug.empty()) slug = "list";
  std::size_t at = listAddress.rfind('@');
  std::string domain(at == std::string_view::npos ? std::string_view("localhost")
                                                  : listAddress.substr(at + 1));
  return "\"" + phrase + "\" <" + slug + "." + domain + ">";
}

}  // namespace tidewell::engine
