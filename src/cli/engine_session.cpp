#include "cli/engine_session.h"

#include "engine/rotated_sign_ins.h"
#include "mail/net_mail_client.h"
#include "store/date_text.h"

namespace tidewell::cli {

EngineSession::EngineSession(CliContext& context) : m_context(context), m_subscribers(context) {
  m_subscribers.load();
  m_settings = store::loadProfileSettings(m_subscribers.profile(), context.cipher());
  engine::EngineContext engineContext{context.trap(),
                                      m_subscribers.profile(),
                                      m_subscribers.table(),
                                      m_subscribers.file(),
                                      m_settings.campaign,
                                      m_subscribers.profile().path().parent_path(),
                                      m_subscribers.fieldDelimiter(),
                                      m_settings.deactivate,
                                      mail::netMailClientFactory(),
                                      m_runner,
                                      context.options().caFile};
  m_engine = std::make_unique<engine::MailEngine>(engineContext, m_subscribers.profile().path(),
                                                  m_settings.totalEmailsSent);
}

EngineSession::~EngineSession() {
  // Also after a command that failed part-way. Once its status is settled: the error log's
  // note that the keyring is missing is no failure of the command.
  engine::saveRotatedSignIns(m_subscribers.profile(), m_context.cipher(), m_settings.campaign,
                             store::shortDateText(m_context.trap().clock().today()));
}

int EngineSession::finish() {
  int status = m_subscribers.table().changed() ? m_subscribers.save() : 0;
  bool written = m_subscribers.profile().UpdateFile_new(
      store::kNewslettersBlock, "totalemailssent", std::to_string(m_engine->counters().totalSent));
  return written ? status : 1;
}

}  // namespace tidewell::cli
