#include "rotated_sign_in_saver.h"

#include "mail/refresh_token_rotations.h"

namespace tidewell::app {

RotatedSignInSaver::RotatedSignInSaver(std::function<void()> save, std::function<bool()> busy,
                                       QObject* parent)
    : QObject(parent), m_save(std::move(save)), m_busy(std::move(busy)) {
  mail::RefreshTokenRotations::setListener([this] {
    QMetaObject::invokeMethod(this, &RotatedSignInSaver::tokenReplaced, Qt::QueuedConnection);
  });
}

RotatedSignInSaver::~RotatedSignInSaver() {
  // Waits for a listener call in progress; events it queued die with this object.
  mail::RefreshTokenRotations::setListener({});
}

void RotatedSignInSaver::tokenReplaced() {
  if (m_busy()) {
    m_waiting = true;
    return;
  }
  m_save();
}

void RotatedSignInSaver::cycleEnded() {
  if (!m_waiting) return;
  m_waiting = false;
  m_save();
}

}  // namespace tidewell::app
