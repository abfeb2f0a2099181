#include "rotated_sign_in_saver.h"

#include "mail/refresh_token_rotations.h"

namespace tidewell::app {

RotatedSignInSaver::RotatedSignInSaver(std::function<void()> save, QObject* parent)
    : QObject(parent), m_save(std::move(save)) {
  mail::RefreshTokenRotations::setListener([this] {
    QMetaObject::invokeMethod(
        this, [this] { m_save(); }, Qt::QueuedConnection);
  });
}

RotatedSignInSaver::~RotatedSignInSaver() {
  // Waits for a listener call in progress; events it queued die with this object.
  mail::RefreshTokenRotations::setListener({});
}

}  // namespace tidewell::app
