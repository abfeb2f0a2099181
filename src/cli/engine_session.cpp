#include "cli/engine_session.h"

#include "engine/rotated_sign_ins.h"
#include "mail/net_mail_client.h"
#include "mail/refresh_token_rotations.h"
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
  engineContext.stop = &stopRequested();
  m_engine = std::make_unique<engine::MailEngine>(engineContext, m_subscribers.profile().path(),
                                                  m_settings.totalEmailsSent);
  // On the transfer thread, while this thread waits for the transfer: a refresh token the
  // provider replaced is in the profile before the new access token logs in.
  mail::RefreshTokenRotations::setKeeper([this] { saveRotatedSignIns(); });
}

void EngineSession::saveRotatedSignIns() {
  engine::saveRotatedSignIns(m_subscribers.profile(), m_context.cipher(), m_settings.campaign,
                             store::shortDateText(m_context.trap().clock().today()));
}

EngineSession::~EngineSession() {
  mail::RefreshTokenRotations::setKeeper({});
  // Also after a command that failed part-way. Once its status is settled: the error log's
  // note that the keyring is missing is no failure of the command.
  saveRotatedSignIns();
}

int EngineSession::finish() {
  // The save folds the journal into the subscribers and counts its sends.
  return m_subscribers.table().changed() ? m_subscribers.save() : 0;
}

}  // namespace tidewell::cli
