// GMime is initialised once per process, on first use by any mail class.
// Internal to platform/mail.
#pragma once

namespace mail::detail {

void ensureGMime();

}  // namespace mail::detail
