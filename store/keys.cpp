#include "store/keys.h"

#include "platform/system/clock.h"
#include "platform/system/format_datetime.h"
#include "platform/system/text.h"

namespace store {

std::string timeStampKey(sys::DateTime when, std::string_view text, std::size_t n) {
  return sys::formatDateTime("yyyymmddhhnnss", when) + sys::utf8Left(text, n);
}

std::string timeStampKey(std::string_view text, std::size_t n) { return timeStampKey(sys::now(), text, n); }

std::string upperCase(std::string_view text) { return sys::upperAscii(text); }

}  // namespace store
