// Formatting dates and times with the classic Pascal pattern letters:
//   yyyy yy          year (4 digits / 2 digits)
//   m mm mmm mmmm    month (number / 2 digits / short name / long name);
//                    m or mm right after an hour (h, hh) means minutes
//   d dd ddd dddd    day (number / 2 digits / short day name / long day name)
//   ddddd dddddd     the short / long date format
//   h hh  n nn  s ss hour, minute, second (number / 2 digits)
//   z zzz            milliseconds
//   t tt             the short / long time format
//   c                short date, and " " + long time unless the time is 00:00:00
//   am/pm a/p ampm   12-hour clock for the hours, and the marker: am/pm and a/p
//                    keep the letter case written in the pattern, ampm gives
//                    the AM/PM texts of the format settings
//   / :              the date and time separators of the format settings
//   "..." '...'      literal text
// Any other character is copied as it is.
#pragma once

#include <string>
#include <string_view>

#include "platform/system/datetime.h"
#include "platform/system/format_settings.h"

namespace sys {

std::string formatDateTime(std::string_view format, DateTime dt);
std::string formatDateTime(std::string_view format, DateTime dt, const FormatSettings& fs);

// The short date format.
std::string dateToStr(DateTime dt);
// The long time format.
std::string timeToStr(DateTime dt);
// The "c" format: short date, and the long time unless it is midnight.
std::string dateTimeToStr(DateTime dt);
// Short date, a blank, long time (always both): the text of log lines and
// agent file stamps.
std::string dateTimeText(DateTime dt);
// dateTimeText(sys::now()).
std::string nowText();

}  // namespace sys
