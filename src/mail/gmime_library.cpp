#include "mail/gmime_library.h"

#include <gmime/gmime.h>

#include <mutex>

namespace tidewell::mail {

void GmimeLibrary::ensureInitialised() {
  // g_mime_init keeps global tables that live until the process ends; g_mime_shutdown is never
  // called because another thread may still be reading a message.
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

}  // namespace tidewell::mail
