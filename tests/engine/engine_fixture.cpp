#include "engine_fixture.h"

#include "store/profile_model.h"
#include "store/text_file.h"

namespace tidewell::testing {

EngineFixture::EngineFixture() {
  settings.pop3 = "127.0.0.1";
  settings.pop_port = "110";
  settings.smtp = "127.0.0.1";
  settings.smtp_port = "25";
  settings.account = "list";
  settings.password = "secret";
  settings.from_email = "list@example.com";
  settings.from_reply_address = "reply@example.com";
  settings.delete_after_checking = "false";
}

std::string EngineFixture::addSignupFilter(const std::vector<std::string>& rules,
                                           const std::string& toname) {
  std::string title = addFilter();
  int index = filters().back().indexNumber;
  profile.UpdateFile_new(index, "toname", toname);
  profile.UpdateFile_new(index, "displayname", title + " List");
  for (std::size_t i = 0; i < rules.size(); ++i)
    profile.UpdateFile_new(index, "rule" + std::to_string(i + 1), rules[i]);
  table.setFilterList(filters());
  return title;
}

int EngineFixture::addNewsletter(const std::string& filter, const std::string& days,
                                 const std::string& body, const std::string& subject) {
  store::ProfileModel model(profile);
  auto node = model.cmdNewNewsletter_Click(model.newslettersTitle());
  auto file = folder / (node->title + ".html");
  writeBytes(file, body);
  setNewsletter(node->index, "location", file.string());
  setNewsletter(node->index, "subject", subject);
  setNewsletter(node->index, "days", days);
  setNewsletter(node->index, "rule", filter);
  return node->index;
}

mail::IncomingMessage EngineFixture::message(const std::string& from, const std::string& name,
                                             const std::string& subject, const std::string& body) {
  mail::IncomingMessage m;
  m.uidl = "uidl-" + std::to_string(++m_messages);
  m.senderAddress = from;
  m.senderName = name;
  m.subject = subject;
  m.body = body;
  m.fullText = "From: " + from + "\r\nSubject: " + subject + "\r\n\r\n" + body;
  return m;
}

engine::MailEngine& EngineFixture::engine() {
  if (!m_engine) m_engine = makeEngine(runner, trap);
  return *m_engine;
}

std::unique_ptr<engine::MailEngine> EngineFixture::makeEngine(mail::TransferRunner& transfers,
                                                              store::ErrorTrap& reportTo,
                                                              bool deactivateOnReports) {
  engine::EngineContext context{reportTo,         profile,       table, file,
                                settings,         folder.path(), "~",   deactivateOnReports,
                                server.factory(), transfers,     ""};
  context.retryWait = std::chrono::milliseconds(0);  // no test waits for a retry
  return std::make_unique<engine::MailEngine>(context, profilePath, 0);
}

}  // namespace tidewell::testing
