#include "platform/mail/gmime_runtime.h"

#include <gmime/gmime.h>

#include <mutex>

namespace mail::detail {

void ensureGMime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

}  // namespace mail::detail
