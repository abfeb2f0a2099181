#include "store/profile_model.h"

#include <algorithm>
#include <charconv>

#include "store/address_check.h"
#include "store/campaign_properties.h"
#include "store/private_files.h"
#include "store/text.h"
#include "store/text_file.h"
#include "store/utilities.h"

namespace tidewell::store {

namespace {

const std::vector<std::pair<std::string, std::string>> kPortDefaults = {{"SMTPPort", "25"},
                                                                        {"PopPort", "110"},
                                                                        {"POPSSL", "0"},
                                                                        {"SMTPSSL", "0"},
                                                                        {"server_timeout", "60"}};

// The whole-number suffix of `text` after `prefix` up to the next separator, when it has one.
std::optional<long long> numberAfter(std::string_view text, std::string_view prefix,
                                     char separator) {
  auto parts = split(text, std::string_view(&separator, 1));
  if (parts.size() < 2 || parts[0] != prefix) return std::nullopt;
  const std::string& digits = parts[1];
  long long value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

void setPortDefaults(ProfileDocument& d) {
  for (const auto& [key, value] : kPortDefaults) d.set(kServerBlock, key, value);
  if (equalsIgnoreCase(d.get(kServerBlock, "incoming"), "imap"))
    d.set(kServerBlock, "ImapPort", std::to_string(kDefaultImapPort));
}

// An IMAP profile names its folder and what becomes of handled messages from the start, so the
// operator sees both in the profile.
void setImapDefaults(ProfileDocument& d) {
  d.set(kServerBlock, "incoming", "imap");
  d.set(kServerBlock, "imapfolder", kDefaultImapFolder);
  d.set(kServerBlock, "imapdone", kDefaultImapDone);
}

std::optional<WizardRefusal> refuseLineBreaks(const NewProfileFields& f) {
  for (const std::string* field :
       {&f.title, &f.email, &f.reply, &f.pop3, &f.smtp, &f.account, &f.password}) {
    if (containsLineBreak(*field)) {
      return WizardRefusal{"A field cannot hold a line break.", "Error!", ""};
    }
  }
  return std::nullopt;
}

std::optional<WizardRefusal> refuseTitleAsFileName(const NewProfileFields& f,
                                                   const std::filesystem::path& folder) {
  if (f.title.find('/') != std::string::npos || f.title == "." || f.title == "..") {
    return WizardRefusal{"Profile Title cannot hold \"/\" or be \".\" or \"..\".", "Profile Title",
                         "txtProfile"};
  }
  // The logs and the send journal separate their fields with TAB.
  if (f.title.find('\t') != std::string::npos) {
    return WizardRefusal{"Profile Title cannot hold a TAB.", "Profile Title", "txtProfile"};
  }
  if (FileExist(folder / (f.title + ".dat"))) {
    return WizardRefusal{"A profile named " + f.title + " already exists.", "Profile Title",
                         "txtProfile"};
  }
  return std::nullopt;
}

}  // namespace

const std::vector<std::string> kWizardPageHeadings = {
    "Profile Title and Your Name", "Internet Email Address", "Email Server Names",
    "Internet Mail Logon", "Congratulations"};

std::optional<WizardRefusal> checkWizardPage(int page, const NewProfileFields& f) {
  struct Check {
    int page;
    const std::string* value;
    const char* message;
    const char* caption;
    const char* field;
  };
  const Check checks[] = {{1, &f.title, "Profile Title is blank.", "Profile Title", "txtProfile"},
                          {2, &f.email, "Email Address is blank.", "Email Address", "txtEmail"},
                          {2, &f.reply, "Reply Address is blank.", "Email Address", "txtReply"},
                          {3, &f.pop3, f.imap ? "IMAP Server is blank." : "POP3 Server is blank.",
                           f.imap ? "IMAP Server" : "POP3 Server", "txtPop"},
                          {3, &f.smtp, "SMTP Server is blank.", "SMTP Server", "txtSMTP"},
                          {4, &f.account, "Account Name is blank.", "Account Name", "txtAccount"},
                          {4, &f.password, "Password is blank.", "Password", "txtPassword"}};
  for (const Check& c : checks) {
    if (c.page == page && c.value->empty()) return WizardRefusal{c.message, c.caption, c.field};
  }
  // Sign-ups are sent to the list's address and replies to the other: both must be mailboxes.
  if (page == 2) {
    for (auto [value, field] : {std::pair{&f.email, "txtEmail"}, {&f.reply, "txtReply"}}) {
      if (std::optional<std::string> problem = addressProblem(*value)) {
        return WizardRefusal{"\"" + *value + "\" is not an e-mail address: it " + *problem + ".",
                             "Email Address", field};
      }
    }
  }
  return std::nullopt;
}

std::vector<std::string> newProfileSkeleton() {
  return {"user_properties_start",
          "index: 1",
          "name: user_properties_start",
          "title:",
          "date:",
          "user_properties_end",
          "",
          "campaign_properties_start",
          "index: 2",
          "name: campaign_properties_start",
          "title: Server Settings",
          "parent:",
          "pop3:",
          "smtp:",
          "account:",
          "pass:",
          "mins: 5",
          "email:",
          "reply:",
          "delete: false",
          "campain_properties_end",
          "",
          "outbound_properties_start",
          "index: 3",
          "name: outbound_properties_start",
          "title: Newsletters",
          "parent: Server Settings",
          "totalemailssent: 0",
          "outbound_properties_end",
          "",
          "inbound_properties_start",
          "index: 4",
          "name: inbound_properties_start",
          "title: Filters",
          "parent: Server Settings",
          "fielddelimiter: ~",
          "deactivate: true",
          "inbound_properties_end",
          ""};
}

CreateProfileResult createProfile(const NewProfileFields& f, SettingsFile& settings,
                                  PasswordCipher& cipher) {
  for (int page = 1; page <= 4; ++page) {
    if (auto refusal = checkWizardPage(page, f)) return {refusal, std::nullopt};
  }
  if (auto refusal = refuseLineBreaks(f)) return {refusal, std::nullopt};
  const std::filesystem::path& folder = settings.programFolder();
  if (auto refusal = refuseTitleAsFileName(f, folder)) return {refusal, std::nullopt};

  ErrorTrap& trap = settings.trap();
  std::filesystem::path profilePath = folder / (f.title + ".dat");
  bool written = trap.run(windowProcedure("frmNewProfile"), [&] {
    std::string today = shortDateText(trap.clock().today());
    std::string pass = cipher.seal({profilePath, "pass"}, f.password, today);
    if (pass.empty()) raise(kBadArgument, "The password could not be enciphered");
    ProfileDocument d(newProfileSkeleton());
    d.set(kUserBlock, "title", f.title);
    d.set(kUserBlock, "date", today);
    d.set(kServerBlock, "parent", f.title);
    d.set(kServerBlock, "pop3", f.pop3);
    d.set(kServerBlock, "smtp", f.smtp);
    d.set(kServerBlock, "account", f.account);
    d.set(kServerBlock, "pass", pass);
    d.set(kServerBlock, "email", f.email);
    d.set(kServerBlock, "reply", f.reply);
    if (f.imap) setImapDefaults(d);
    setPortDefaults(d);
    createPrivateFolders(folder);  // the program folder, should it have gone since the start
    writeLinesDurably(profilePath, d.lines());
  });
  if (!written || !settings.Create_INI_File() || !settings.s_load_dat_file(profilePath)) {
    return {std::nullopt, std::nullopt};
  }
  return {std::nullopt, profilePath};
}

std::string defaultFieldsValue() {
  std::string value = "email:Email Address:on,name:Name:on,";
  for (int i = 0; i < 39; ++i) value += "_::off,";
  return value;
}

std::string defaultExtractKeysValue() {
  std::string value;
  for (int i = 0; i < 40; ++i) value += "[\\/][\\/][\\/]off[\\/][/\\]";
  return value;
}

std::string ProfileModel::filtersTitle() const {
  int line = 0;
  return m_store.GetFromFile("inbound_properties_start", "title:", line);
}

std::string ProfileModel::newslettersTitle() const {
  int line = 0;
  return m_store.GetFromFile("outbound_properties_start", "title:", line);
}

std::optional<NewNode> ProfileModel::cmdNewInbound_Click(std::string_view parentTitle) {
  NewNode node;
  bool done = m_store.change(windowProcedure("cmdNewInbound"), [&](ProfileDocument& d) {
    long long largest = 0;
    for (const std::string& line : d.lines()) {
      largest = std::max(largest, numberAfter(line, "title: Filter", '_').value_or(0));
    }
    node.index = d.nextFreeIndex();
    node.title = "Filter_" + std::to_string(largest + 1);
    d.appendLines({"", "rule_properties_start", "index: " + std::to_string(node.index),
                   "name: rule_properties_start", "title: " + node.title,
                   "parent: " + std::string(parentTitle), "subject: ", "body: ", "optout: ",
                   "fields: " + defaultFieldsValue(), "extractkeys: " + defaultExtractKeysValue(),
                   "toname: ", "redirect: ", "rule_properties_end"});
  });
  return done ? std::optional<NewNode>(node) : std::nullopt;
}

std::optional<NewNode> ProfileModel::cmdNewNewsletter_Click(std::string_view parentTitle) {
  NewNode node;
  bool done = m_store.change(windowProcedure("cmdNewNewsletter"), [&](ProfileDocument& d) {
    long long largest = 0;
    for (int index : d.indexesInTreeOrder()) {
      if (!equalsIgnoreCase(d.get(index, "name"), kNewsletterOpening)) continue;
      largest =
          std::max(largest, numberAfter(d.get(index, "title"), "New Newsletter ", '#').value_or(0));
    }
    node.index = d.nextFreeIndex();
    node.title = "New Newsletter #" + std::to_string(largest + 1);
    std::vector<std::string> block{"newsletter_properties_start",
                                   "index: " + std::to_string(node.index),
                                   "name: newsletter_properties_start",
                                   "title: " + node.title,
                                   "parent: " + std::string(parentTitle),
                                   "subject: ",
                                   "location: ",
                                   "attach: ",
                                   "days: 0",
                                   "verify: false",
                                   "rule: No Rule Assigned",
                                   "timessent: 0",
                                   "date: date not set",
                                   "dateordays: days",
                                   "newsletter_properties_end",
                                   ""};
    const auto& lines = d.lines();
    auto firstFilter = std::find(lines.begin(), lines.end(), kFilterOpening);
    if (firstFilter != lines.end()) {
      d.insertLines(static_cast<std::size_t>(firstFilter - lines.begin()), block);
    } else {
      block.insert(block.begin(), "");
      d.appendLines(block);
    }
  });
  return done ? std::optional<NewNode>(node) : std::nullopt;
}

bool ProfileModel::Set_Port_Defaults() {
  return m_store.change(windowProcedure("Set_Port_Defaults"), setPortDefaults);
}

}  // namespace tidewell::store
