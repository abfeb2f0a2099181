#include "store/profile_settings.h"

#include <charconv>

#include "store/oauth_account.h"
#include "store/send_counts.h"
#include "store/text.h"

namespace tidewell::store {

namespace {

constexpr Procedure kFormLoad = windowProcedure("Form_Load");

// Reads block 2's numbered settings: absent keys keep the default, unreadable ones are logged.
class NumberReader {
 public:
  NumberReader(const ProfileDocument& d, ErrorTrap& trap) : m_document(d), m_trap(trap) {}

  template <class Int>
  Int read(int block, std::string_view key, Int fallback) const {
    std::string text = m_document.get(block, key);
    if (text == kAbsent) return fallback;
    Int value{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
      m_trap.report(kFormLoad, {kTypeMismatch, "The profile's " + std::string(key) + " value \"" +
                                                   text + "\" is not a whole number"});
      return fallback;
    }
    return value;
  }

 private:
  const ProfileDocument& m_document;
  ErrorTrap& m_trap;
};

CampaignProperties readCampaign(const ProfileDocument& d, const NumberReader& numbers,
                                PasswordCipher& cipher, const std::filesystem::path& path) {
  CampaignProperties c;
  c.account = d.get(kServerBlock, "account");
  c.from_email = d.get(kServerBlock, "email");
  c.from_reply_address = d.get(kServerBlock, "reply");
  c.pop3 = d.get(kServerBlock, "pop3");
  c.smtp = d.get(kServerBlock, "smtp");
  c.pop_port = d.get(kServerBlock, "PopPort");
  c.imap = equalsIgnoreCase(d.get(kServerBlock, "incoming"), "imap");
  c.imap_port = d.get(kServerBlock, "ImapPort");
  c.imap_folder = d.get(kServerBlock, "imapfolder");
  c.imap_done = d.get(kServerBlock, "imapdone");
  c.smtp_port = d.get(kServerBlock, "SMTPPort");
  c.timer_mins = d.get(kServerBlock, "mins");
  c.delete_after_checking = d.get(kServerBlock, "delete");
  std::string pass = d.get(kServerBlock, "pass");
  if (!isAbsentOrEmpty(pass))
    c.password = cipher.open({path, "pass"}, pass, d.get(kUserBlock, "date"));
  std::string smtpPassword = d.get(kServerBlock, "smtp_password");
  std::string date2 = d.get(kUserBlock, "date2");
  if (!isAbsentOrEmpty(smtpPassword) && !isAbsentOrEmpty(date2)) {
    std::string smtpAccount = d.get(kServerBlock, "smtp_account");
    c.smtp_account = smtpAccount == kAbsent ? std::string() : smtpAccount;
    c.smtp_password = cipher.open({path, "smtp_password"}, smtpPassword, date2);
  }
  c.SMTPSSL = numbers.read(kServerBlock, "SMTPSSL", 0);
  c.POPSSL = numbers.read(kServerBlock, "POPSSL", 0);
  c.server_timeout = numbers.read(kServerBlock, "server_timeout", 60);
  c.ServerAuthentication = numbers.read(kServerBlock, "ServerAuthentication", 0);
  c.POPSPA = numbers.read(kServerBlock, "POPSPA", 0);
  c.SMTPSPA = numbers.read(kServerBlock, "SMTPSPA", 0);
  c.verp = d.get(kServerBlock, "verp") == "true";
  for (auto [key, value] :
       {std::pair{"popcert", &c.pop_certificate}, {"smtpcert", &c.smtp_certificate}}) {
    std::string text = d.get(kServerBlock, key);
    *value = isAbsentOrEmpty(text) ? std::string() : text;
  }
  c.pop_oauth2 = equalsIgnoreCase(d.get(kServerBlock, "popauth"), "oauth2");
  if (c.pop_oauth2) c.pop_oauth = readOAuthAccount(d, "pop", cipher, path);
  c.smtp_oauth2 = equalsIgnoreCase(d.get(kServerBlock, "smtpauth"), "oauth2");
  if (c.smtp_oauth2) c.smtp_oauth = readOAuthAccount(d, "smtp", cipher, path);
  return c;
}

}  // namespace

void readWebKit(const ProfileDocument& d, PasswordCipher& cipher, CampaignProperties& c) {
  std::string address = d.get(kFiltersBlock, "webkit");
  c.webkit = isAbsentOrEmpty(address) ? std::string() : address;
  std::string key = d.get(kFiltersBlock, "webkitkey");
  std::string date = d.get(kFiltersBlock, "webkitdate");
  c.webkitkey =
      isAbsentOrEmpty(key) || isAbsentOrEmpty(date) ? std::string() : cipher.decipher(key, date);
}

ProfileSettings loadProfileSettings(ProfileStore& profile, PasswordCipher& cipher) {
  ProfileSettings settings;
  profile.trap().run(kFormLoad, [&] {
    ProfileDocument d = profile.load();
    NumberReader numbers(d, profile.trap());
    settings.lastEmailId = d.get(kServerBlock, "LastEmailId");
    settings.deactivate = d.get(kFiltersBlock, "deactivate") == "true";
    std::string delimiter = d.get(kFiltersBlock, "fielddelimiter");
    if (delimiter == kAbsent) {
      profile.UpdateFile_new(kFiltersBlock, "fielddelimiter", kDefaultFieldDelimiter);
      delimiter = kDefaultFieldDelimiter;
    }
    settings.fieldDelimiter = delimiter;
    settings.deleteAfterDownload = equalsIgnoreCase(d.get(kServerBlock, "delete"), "true");
    settings.totalEmailsSent = numbers.read(kNewslettersBlock, "totalemailssent", std::int32_t{0});
    // Sends of the journal that no save has counted yet (the program was ended before one).
    settings.totalEmailsSent = static_cast<std::int32_t>(
        runningTotal(d, std::filesystem::absolute(profile.path()).parent_path()));
    settings.campaign = readCampaign(d, numbers, cipher, profile.path());
    readWebKit(d, cipher, settings.campaign);
  });
  return settings;
}

void shutDownProfile(ProfileStore& profile, SettingsFile& settings, const ShutDownValues& values,
                     const std::function<void()>& saveSubscribers) {
  profile.UpdateIndex();
  if (saveSubscribers) saveSubscribers();
  settings.writeGridText(values.gridText);
  profile.UpdateFile_new(kFiltersBlock, "fielddelimiter", values.fieldDelimiter);
}

}  // namespace tidewell::store
