#include "editor/web_kit.h"

#include <system_error>

#include "editor/subject_keywords.h"
#include "editor/web_kit_pages.h"
#include "engine/optout_token.h"
#include "engine/web_kit_links.h"
#include "store/profile_settings.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::editor {

namespace {

std::string_view hostOf(std::string_view address) {
  std::size_t start = address.find("://");
  start = start == std::string_view::npos ? 0 : start + 3;
  std::size_t end = address.find_first_of(":/?#", start);
  return address.substr(start,
                        end == std::string_view::npos ? std::string_view::npos : end - start);
}

bool isThisMachine(std::string_view host) {
  return host == "127.0.0.1" || host == "localhost" || host == "[::1]";
}

// A single-quoted PHP string: only the backslash and the quote need escaping there.
std::string phpString(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\\' || c == '\'') out += '\\';
    out += c;
  }
  return out + "'";
}

std::string phpList(const std::vector<std::string>& values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ", ";
    out += phpString(values[i]);
  }
  return out + "]";
}

// The profile title for the file's comment: "?>" there would end the PHP code and show the
// rest, secret included, so only plain characters are kept.
std::string commentText(std::string_view text) {
  std::string out;
  for (char c : text) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == ' ' || c == '-' || c == '_' || c == '.';
    out += plain ? c : '_';
  }
  return out;
}

bool hexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A character a folder's address may hold as it is: the links and the form are made of it.
bool urlCharacter(std::string_view address, std::size_t i) {
  auto byte = static_cast<unsigned char>(address[i]);
  if (byte <= 0x20 || byte == 0x7f) return false;
  if (address[i] == '%') {
    return i + 2 < address.size() && hexDigit(address[i + 1]) && hexDigit(address[i + 2]);
  }
  return std::string_view("\"<>?#\\{}|^`").find(address[i]) == std::string_view::npos;
}

std::string textOf(const std::string& value) {
  return value == store::kAbsent ? std::string() : value;
}

}  // namespace

std::optional<std::string> webKitAddressProblem(std::string_view address) {
  if (address.empty()) return std::nullopt;
  bool https = store::startsWithIgnoreCase(address, "https://");
  bool http = store::startsWithIgnoreCase(address, "http://");
  std::string_view host = hostOf(address);
  if (!https && !(http && isThisMachine(host))) {
    return "The web kit address must start with https:// (for example "
           "https://www.example.com/list/)";
  }
  if (host.empty()) return "The web kit address names no web site";
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (!urlCharacter(address, i)) {
      return "The web kit address may not hold blanks, quotes, <, >, ?, #, \\, {, }, |, ^, ` "
             "or a % that does not begin an escape such as %20";
    }
  }
  if (address.back() != '/') return "The web kit address is a folder and ends with /";
  return std::nullopt;
}

std::string webKitSecret(store::ProfileStore& profile, store::PasswordCipher& cipher,
                         const std::string& today) {
  store::CampaignProperties current;
  store::readWebKit(profile.load(), cipher, current);
  if (!current.webkitkey.empty()) return current.webkitkey;
  std::string secret = engine::newKitSecret();
  std::string stored = cipher.encipher(secret, today);
  if (stored.empty() || cipher.decipher(stored, today) != secret) return {};
  bool written = profile.UpdateFile_new(store::kFiltersBlock, "webkitdate", today) &&
                 profile.UpdateFile_new(store::kFiltersBlock, "webkitkey", stored);
  return written ? secret : std::string();
}

WebKitConfig webKitConfigOf(const store::ProfileDocument& profile,
                            const std::vector<store::FilterRecord>& filters, std::string secret) {
  WebKitConfig config;
  config.secret = std::move(secret);
  config.listAddress = textOf(profile.getExactKey(store::kServerBlock, "email"));
  config.sender = engine::kitSenderAddress(
      textOf(profile.getExactKey(store::kFiltersBlock, "webkit")), config.listAddress);
  for (const store::FilterRecord& filter : filters) {
    WebKitFilter kitFilter{filter.title, textOf(filter.optout), subjectKeywords(filter),
                           !store::equalsIgnoreCase(filter.confirm, "none")};
    if (kitFilter.subjects.empty()) kitFilter.subjects.emplace_back();
    config.filters.push_back(std::move(kitFilter));
    std::string redirect = textOf(profile.getExactKey(filter.indexNumber, "redirect"));
    if (!redirect.empty()) config.redirects.push_back(redirect);
  }
  return config;
}

std::string webKitConfigPhp(const WebKitConfig& config, std::string_view profileTitle) {
  std::string php = "<?php\n// The web kit's configuration, written by Tidewell for the profile " +
                    commentText(profileTitle) +
                    ". Keep it secret: it holds the key of the opt-out links.\nreturn [\n";
  php += "  'secret' => " + phpString(config.secret) + ",\n";
  php += "  'list' => " + phpString(config.listAddress) + ",\n";
  php += "  'sender' => " + phpString(config.sender) + ",\n";
  php += "  'filters' => [\n";
  for (const WebKitFilter& f : config.filters) {
    php += "    ['title' => " + phpString(f.title) + ", 'optout' => " + phpString(f.optout) +
           ", 'subjects' => " + phpList(f.subjects) + ", 'confirm' => " +
           (f.confirm ? "true" : "false") + "],\n";
  }
  php += "  ],\n  'redirects' => " + phpList(config.redirects) + ",\n";
  php += "  // false: sign-ups do not carry the visitor's IP address to the consent record.\n";
  php += std::string("  'pass_ip' => ") + (config.passIp ? "true" : "false") + ",\n";
  php +=
      "  'limits' => ['address_per_hour' => 3, 'client_per_hour' => 20, "
      "'total_per_hour' => 500],\n];\n";
  return php;
}

std::optional<std::string> writeWebKit(const std::filesystem::path& folder,
                                       const std::string& configPhp) {
  try {
    namespace fs = std::filesystem;
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    const fs::perms page = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::others_read;
    for (const WebKitPage& p : webKitPages()) {
      store::writeFileDurably(folder / p.fileName, p.text);
      fs::permissions(folder / p.fileName, page);
    }
    store::writeFileDurably(folder / "config.php", configPhp);
    fs::permissions(folder / "config.php",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  } catch (const std::exception& e) {
    return "The web kit could not be written to " + folder.string() + ": " + e.what();
  }
  return std::nullopt;
}

std::string webKitUploadText(const std::filesystem::path& folder, std::string_view kitAddress) {
  std::string address =
      kitAddress.empty() ? "the address you enter in the Filters panel" : std::string(kitAddress);
  return "The web kit is in " + folder.string() +
         ": upload email.php, c.php, o.php, kit.php and config.php (by FTP or your web host's file "
         "manager) into the folder of your web site that " +
         address +
         " names, on a host that runs PHP 8 and can send mail with mail(); let PHP write in "
         "that folder (it keeps its request counts there) and keep config.php private, as it "
         "holds the key of the opt-out and confirmation links (mode 0640; where the web server "
         "is neither its owner nor in its group, 0644 in a folder no one can list). Then put the "
         "HTML of \"Opt-In html\" on a page "
         "of your site, and write and upload the kit again whenever you change the list's "
         "address, subjects, opt-out values or redirect pages.";
}

KitAddress kitAddressOf(const store::ProfileDocument& profile) {
  std::string address = profile.getExactKey(store::kFiltersBlock, "webkit");
  if (store::isAbsentOrEmpty(address)) return {{}, std::string(kNoWebKitText)};
  if (auto problem = webKitAddressProblem(address)) return {{}, problem};
  return {address, std::nullopt};
}

WrittenWebKit writeProfileWebKit(store::ProfileStore& profile, store::PasswordCipher& cipher,
                                 const std::string& today, const std::filesystem::path& folder) {
  WrittenWebKit written;
  KitAddress kit = kitAddressOf(profile.load());
  if (kit.problem) {
    written.problem = kit.problem;
    return written;
  }
  written.secret = webKitSecret(profile, cipher, today);
  if (written.secret.empty()) {
    written.problem = "The web kit's secret could not be stored in the profile";
    return written;
  }
  store::ProfileDocument doc = profile.load();
  std::string config =
      webKitConfigPhp(webKitConfigOf(doc, store::loadFilterList(doc), written.secret),
                      profile.path().stem().string());
  written.problem = writeWebKit(folder, config);
  if (!written.problem) written.uploadText = webKitUploadText(folder, kit.address);
  return written;
}

}  // namespace tidewell::editor
