#include "mail_rig_fixture.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "mail/oauth_tokens.h"
#include "support/test_support.h"

namespace tidewell::mail::testing {

MailRig& MailRig::instance() {
  static MailRig rig;
  return rig;
}

// ctest starts one rig for the whole run (the mail_rig fixture).
MailRig::MailRig() {
  std::ifstream in(TIDEWELL_MAIL_RIG_DIR "/rig.env");
  std::string line;
  while (std::getline(in, line)) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) m_env[line.substr(0, eq)] = line.substr(eq + 1);
  }
  if (m_env.count("RIG_DIR") == 0) {
    m_failure =
        "the test mail servers are not running: run the tests with ctest, or first "
        "python3 " TIDEWELL_MAIL_RIG_SCRIPT " start " TIDEWELL_MAIL_RIG_DIR;
  }
}

std::string MailRig::value(const std::string& key) const {
  auto found = m_env.find(key);
  return found == m_env.end() ? std::string() : found->second;
}

std::size_t MailRig::acceptedCount(const std::string& localPart) const {
  std::filesystem::path box = std::filesystem::path(dir()) / "mail" / localPart / "Maildir/new";
  std::error_code error;
  std::size_t count = 0;
  for (std::filesystem::directory_iterator it(box, error), end; !error && it != end; ++it) ++count;
  return count;
}

int MailRig::port(const std::string& key) const {
  const std::string text = value(key);
  return text.empty() ? 0 : std::stoi(text);
}

Mailbox MailRig::claimMailbox() {
  for (int i = 1; i <= port("POOL_SIZE"); ++i) {
    const std::string number = (i < 10 ? "0" : "") + std::to_string(i);
    const std::string claim = dir() + "/claims/box" + number;
    const int fd = ::open(claim.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
    if (fd < 0) continue;
    ::close(fd);
    return {"box" + number, "pw" + number};
  }
  ADD_FAILURE() << "every mailbox of the rig is taken";
  return {"box01", "pw01"};
}

void MailRig::deliver(const Mailbox& box, const std::string& raw, const std::string& flags) const {
  static int count = 0;
  // dovecot numbers new messages in the order of the time that starts their names.
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const std::string name = std::to_string(std::chrono::nanoseconds(now).count()) + "." +
                           std::to_string(::getpid()) + "_" + std::to_string(++count) + ".rig";
  const std::filesystem::path folder = maildir(box);
  tidewell::testing::writeBytes(folder / "tmp" / name, raw);
  std::filesystem::permissions(folder / "tmp" / name, std::filesystem::perms(0644));
  std::filesystem::rename(folder / "tmp" / name, flags.empty()
                                                     ? folder / "new" / name
                                                     : folder / "cur" / (name + ":2," + flags));
}

std::string MailRig::maildir(const Mailbox& box) const {
  return dir() + "/mail/" + box.user + "/Maildir";
}

std::string MailRig::oauthAuthority() const {
  return "http://127.0.0.1:" + std::to_string(port("OAUTH_PORT"));
}

std::string MailRig::oauthControl(const std::string& what, const std::string& user) const {
  const std::string form = "user=" + user;
  return httpRequest(oauthAuthority() + "/test/" + what, &form);
}

OAuthLogin MailRig::signedIn(const Mailbox& box, const std::string& mechanism) const {
  OAuthLogin login;
  login.enabled = true;
  login.mechanism = mechanism;
  login.tokenUrl = oauthAuthority() + "/token";
  login.clientId = "tidewell-test";
  login.refreshToken = jsonMember(oauthControl("issue", box.user), "refresh_token").value_or("");
  EXPECT_FALSE(login.refreshToken.empty());
  return login;
}

std::string MailRig::consent(const std::string& url, const std::string& user) const {
  EXPECT_NE(httpRequest(url).find("Allow"), std::string::npos) << url;
  const std::size_t question = url.find('?');
  const std::string form = url.substr(question + 1) + "&user=" + user;
  std::string redirect;
  httpRequest(url.substr(0, question), &form, &redirect);
  EXPECT_EQ(redirect.rfind("http://127.0.0.1:", 0), 0u) << redirect;
  return redirect;
}

PopSettings MailRig::pop(const Mailbox& box, const std::string& portKey) const {
  PopSettings settings;
  settings.host = "127.0.0.1";
  settings.port = port(portKey);
  settings.user = box.user;
  settings.password = box.password;
  settings.timeoutSeconds = 10;
  settings.caFile = caFile();
  return settings;
}

SmtpSettings MailRig::smtp(const std::string& portKey) const {
  SmtpSettings settings;
  settings.host = "127.0.0.1";
  settings.port = port(portKey);
  settings.timeoutSeconds = 10;
  settings.caFile = caFile();
  return settings;
}

SmtpSettings MailRig::submission(const Mailbox& box) const {
  SmtpSettings settings = smtp("SMTP_SUBMISSION_PORT");
  settings.ssl = true;
  settings.authentication = 1;
  settings.user = box.user;
  settings.password = box.password;
  return settings;
}

OutgoingMessage messageTo(const Mailbox& box, const std::string& subject) {
  OutgoingMessage m;
  m.fromName = "List Owner";
  m.fromAddress = "owner@example.org";
  m.toName = "Box Holder";
  m.toAddress = box.address();
  m.subject = subject;
  m.body = "first line\n.leading dot survives\nlast line\n";
  return m;
}

NetMailClient MailRig::client() const {
  return NetMailClient(
      ImplicitTlsPorts{port("POP_TLS_PORT"), port("SMTP_TLS_PORT"), port("IMAP_TLS_PORT")});
}

namespace {
size_t collect(char* data, size_t size, size_t count, void* sink) {
  static_cast<std::string*>(sink)->append(data, size * count);
  return size * count;
}
}  // namespace

std::string httpRequest(const std::string& url, const std::string* form, std::string* location) {
  CURL* h = curl_easy_init();
  std::string body;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  if (form) curl_easy_setopt(h, CURLOPT_POSTFIELDS, form->c_str());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, 30L);
  char why[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, why);
  EXPECT_EQ(curl_easy_perform(h), CURLE_OK) << url << ": " << why;
  char* target = nullptr;
  curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &target);
  if (location && target) *location = target;
  curl_easy_cleanup(h);
  return body;
}

void RigTest::SetUp() {
  ASSERT_EQ(rig.failure(), "");
}

std::vector<IncomingMessage> RigTest::readMailbox(const PopSettings& settings) {
  NetMailClient client = rig.client();
  client.setPop3(settings);
  auto uidls = client.fetchUidls();
  EXPECT_TRUE(uidls) << client.lastError();
  if (!uidls) return {};
  FetchResult fetched = client.fetchMessages(*uidls);
  EXPECT_TRUE(fetched.complete) << client.lastError();
  client.endPop3Session();
  return fetched.messages;
}

}  // namespace tidewell::mail::testing
