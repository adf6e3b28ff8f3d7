// Reading dates and times typed by the operator, the way the classic runtime
// does. A date is two or three numbers with the date separator between them,
// in the order of the short date format (month-day-year for "M/d/yyyy"); a
// missing year is the current one, a year of one or two digits is placed by
// the century window of the format settings. A time is hours, optionally
// ":minutes" and ":seconds" (and a decimal separator with milliseconds),
// with an optional AM/PM marker before or after (case ignored; then the hour
// must be 1 to 12). Blanks between the parts are allowed; nothing may follow.
// Failures throw sys::Error with the conversion messages
// "'<text>' is not a valid date", "'<text>' is not a valid time" and
// "'<text>' is not a valid date and time".
#pragma once

#include <string>
#include <string_view>

#include "platform/system/datetime.h"
#include "platform/system/format_settings.h"

namespace sys {

DateTime strToDate(std::string_view text);
DateTime strToTime(std::string_view text);
// A date, optionally followed by a time; or a time alone.
DateTime strToDateTime(std::string_view text);

bool tryStrToDate(std::string_view text, DateTime& out);
bool tryStrToTime(std::string_view text, DateTime& out);
bool tryStrToDateTime(std::string_view text, DateTime& out);

bool tryStrToDate(std::string_view text, DateTime& out, const FormatSettings& fs, int currentYear);
bool tryStrToTime(std::string_view text, DateTime& out, const FormatSettings& fs);

}  // namespace sys
