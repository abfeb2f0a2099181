#pragma once
// A profile with filters, newsletters and subscribers in a temporary folder, an in-memory mail
// server, and the engine over them, for tests of whole cycles and passes.
#include <memory>
#include <string>
#include <vector>

#include "../subscribers/subscriber_fixture.h"
#include "engine/mail_engine.h"
#include "mail/fake_mail_server.h"
#include "mail/transfer_runner.h"
#include "store/campaign_properties.h"

namespace tidewell::testing {

class EngineFixture : public SubscriberFixture {
 public:
  EngineFixture();

  // A filter whose rules are the given lines; the filter list is rebuilt.
  std::string addSignupFilter(const std::vector<std::string>& rules,
                              const std::string& toname = "~name~");
  // A newsletter assigned to the filter with its message file written; returns its index.
  int addNewsletter(const std::string& filter, const std::string& days, const std::string& body,
                    const std::string& subject = "Hello ~name~");
  void setNewsletter(int index, const std::string& key, const std::string& value) {
    profile.UpdateFile_new(index, key, value);
  }

  mail::IncomingMessage message(const std::string& from, const std::string& name,
                                const std::string& subject, const std::string& body);
  void deliver(const mail::IncomingMessage& m) { server.add(m); }
  // The messages delivered, then one check cycle.
  void cycle(const std::vector<mail::IncomingMessage>& messages) {
    for (const auto& m : messages) deliver(m);
    engine().cmdCheckMail_click();
  }
  // The addresses the server took messages for, in order.
  std::vector<std::string> recipients() const {
    std::vector<std::string> to;
    for (const auto& m : server.sent) to.push_back(m.toAddress);
    return to;
  }
  // Each record's active flag in table order, T or F.
  std::string actives() const {
    std::string flags;
    for (store::Position p = 0; p < table.size(); ++p)
      flags += table.active(p) == "true" ? 'T' : 'F';
    return flags;
  }
  // How many error-log lines hold both texts.
  std::size_t logged(const std::string& text, const std::string& also = "") const {
    std::size_t n = 0;
    for (const auto& l : logLines()) n += l.find(text) != l.npos && l.find(also) != l.npos;
    return n;
  }

  // The engine over the fixture's state, made on first use.
  engine::MailEngine& engine();
  // Another engine over the fixture's state, with its own transfer runner and error trap.
  std::unique_ptr<engine::MailEngine> makeEngine(mail::TransferRunner& transfers,
                                                 store::ErrorTrap& reportTo,
                                                 bool deactivateOnReports = true);

  mail::FakeMailServer server;
  mail::InPlaceRunner runner;
  store::CampaignProperties settings;
  std::unique_ptr<engine::MailEngine> m_engine;
  int m_messages = 0;
};

}  // namespace tidewell::testing
