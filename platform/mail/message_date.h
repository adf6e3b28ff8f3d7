// The message date-time: the Date header value read as an RFC 822 date and
// time. Accepted: an optional weekday (with or without its comma), the day,
// the English month name (three-letter or full, any case), the year (two
// digits: 51..99 are 1951..1999, 0..50 are 2000..2050; three digits add 1900;
// four digits as written) and the time of day hh:mm or hh:mm:ss. Whatever
// follows the time (zone, comment) is ignored: the clock time written in the
// header is taken unchanged. A missing Date header, or one that cannot be read
// as a valid date and time, gives the zero date-time 30 Dec 1899 00:00:00.
#pragma once

#include <string>
#include <string_view>

#include "platform/system/datetime.h"

namespace mail {

class TmsMessage;

struct MailDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;

  static constexpr MailDateTime zero() { return {}; }
  bool isZero() const { return *this == MailDateTime{}; }
  friend bool operator==(const MailDateTime&, const MailDateTime&) = default;

  // The same moment as the system's date-time value.
  sys::DateTime toDateTime() const {
    return sys::DateTime::fromParts(year, month, day, hour, minute, second);
  }
};

// Reads a Date header value; zero when it cannot be read.
MailDateTime parseMailDate(std::string_view value);

// The date-time of a message's Date header (looked up as headers are).
MailDateTime messageDateTime(const TmsMessage& message);

}  // namespace mail
