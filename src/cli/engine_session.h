#pragma once
// The mail engine over the open profile for one command: its subscribers, its server settings
// with the passwords deciphered, and the real mail client. Saves what changed when done; a
// refresh token the provider replaced is saved the moment it arrives.
#include <memory>

#include "cli/cli_context.h"
#include "cli/subscriber_session.h"
#include "engine/mail_engine.h"
#include "mail/worker_runner.h"
#include "store/profile_settings.h"

namespace tidewell::cli {

class EngineSession {
 public:
  explicit EngineSession(CliContext& context);
  ~EngineSession();
  engine::MailEngine& engine() { return *m_engine; }
  SubscriberSession& subscribers() { return m_subscribers; }
  // Saves the subscribers (and so the counters); 0 when written.
  int finish();

 private:
  void saveRotatedSignIns();

  CliContext& m_context;
  SubscriberSession m_subscribers;
  store::ProfileSettings m_settings;
  mail::WorkerRunner m_runner;
  std::unique_ptr<engine::MailEngine> m_engine;
};

}  // namespace tidewell::cli
