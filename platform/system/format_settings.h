// The system's date and time formats: short date, long time and their
// companions, separators, AM/PM texts and month and day names, in the classic
// Pascal pattern language (see format_datetime.h). They are derived once from
// the locale of the environment (LC_ALL, LC_TIME, LANG); under the C/POSIX
// locale (also C.UTF-8) they are the US forms "M/d/yyyy" and "h:mm:ss AM/PM"
// with English names, so tests are deterministic. Tests and programs may
// replace them as a whole.
#pragma once

#include <array>
#include <string>

namespace sys {

struct FormatSettings {
  std::string shortDateFormat = "M/d/yyyy";
  std::string longDateFormat = "dddd, mmmm d, yyyy";
  std::string shortTimeFormat = "h:mm AM/PM";
  std::string longTimeFormat = "h:mm:ss AM/PM";
  char dateSeparator = '/';
  char timeSeparator = ':';
  char decimalSeparator = '.';
  std::string timeAMString = "AM";
  std::string timePMString = "PM";
  std::array<std::string, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> longMonthNames{"January", "February", "March",     "April",
                                             "May",     "June",     "July",      "August",
                                             "September", "October", "November", "December"};
  // Index 0 = Sunday.
  std::array<std::string, 7> shortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> longDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  // Two-digit years read as dates fall within this many years before the
  // current year and (100 - window) after it; 0 = the current century.
  int twoDigitYearCenturyWindow = 50;
};

// The US forms used under the C/POSIX locale.
FormatSettings usFormatSettings();

// Formats derived from a named locale ("" = the environment's); the US forms
// for C/POSIX or a locale that cannot be loaded.
FormatSettings localeFormatSettings(const std::string& localeName = "");

// Translates a C library date or time pattern (as a locale gives it, e.g.
// "%d.%m.%Y") into the Pascal pattern language ("dd/mm/yyyy"). The separator
// found between date fields is stored in *dateSeparator and written "/", the
// one between time fields in *timeSeparator and written ":"; literal text
// with letters is quoted. %r expands to ampmPattern.
std::string patternFromStrftime(const std::string& pattern, char* dateSeparator, char* timeSeparator,
                                const std::string& ampmPattern = "%I:%M:%S %p");

// The settings in force (derived from the environment on first use).
const FormatSettings& formatSettings();
void setFormatSettings(const FormatSettings& settings);

}  // namespace sys
