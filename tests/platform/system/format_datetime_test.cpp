// FormatDateTime with the classic pattern letters, under the US formats.
#include <gtest/gtest.h>

#include <ostream>

#include "platform/system/clock.h"
#include "platform/system/format_datetime.h"

namespace {

using sys::DateTime;

struct FormatCase {
  const char* format;
  DateTime when;
  const char* expected;
};

const DateTime kAfternoon = DateTime::fromParts(2024, 3, 5, 14, 7, 9, 45);  // a Tuesday
const DateTime kMidnight = DateTime::fromParts(2024, 3, 5, 0, 0, 0);
const DateTime kHalfPastMidnight = DateTime::fromParts(2024, 3, 5, 0, 30, 0);
const DateTime kNoon = DateTime::fromParts(2024, 12, 25, 12, 0, 5);

const FormatCase kCases[] = {
    {"yyyymmddhhnnss", kAfternoon, "20240305140709"},
    {"yyyymmddhhmmss", kAfternoon, "20240305140709"},  // mm after hh: minutes
    {"yyyymmddhhmmss", DateTime::zero(), "18991230000000"},
    {"yyyy", DateTime::fromDate(5, 1, 1), "0005"},
    {"yy", kAfternoon, "24"},
    {"y", kAfternoon, "24"},
    {"m/d/yyyy", kAfternoon, "3/5/2024"},
    {"mm/dd/yy", kAfternoon, "03/05/24"},
    {"mmm", kAfternoon, "Mar"},
    {"mmmm", kAfternoon, "March"},
    {"mmmm dd yyyy", kAfternoon, "March 05 2024"},
    {"ddd", kAfternoon, "Tue"},
    {"dddd", kAfternoon, "Tuesday"},
    {"ddddd", kAfternoon, "3/5/2024"},
    {"dddddd", kAfternoon, "Tuesday, March 5, 2024"},
    {"sshhyymmdd", kAfternoon, "0914240305"},  // mm after yy: month
    {"hh:mm", kAfternoon, "14:07"},
    {"h:m", kAfternoon, "14:7"},
    {"hh:nn", kHalfPastMidnight, "00:30"},
    {"n s", kAfternoon, "7 9"},
    {"h:nn:ss AM/PM", kAfternoon, "2:07:09 PM"},
    {"hh:mmAM/PM", kAfternoon, "02:07PM"},
    {"h:nn AM/PM", kHalfPastMidnight, "12:30 AM"},
    {"h:nn AM/PM", kNoon, "12:00 PM"},
    {"h:mm am/pm", kAfternoon, "2:07 pm"},
    {"h A/P", kAfternoon, "2 P"},
    {"h a/p", kHalfPastMidnight, "12 a"},
    {"hh ampm", kAfternoon, "02 PM"},
    {"am/pm h", kAfternoon, "pm 2"},
    {"h 'am/pm'", kAfternoon, "14 am/pm"},  // quoted marker: no 12-hour clock
    {"zzz", kAfternoon, "045"},
    {"z", kAfternoon, "45"},
    {"c", kAfternoon, "3/5/2024 2:07:09 PM"},
    {"c", kMidnight, "3/5/2024"},
    {"", kAfternoon, "3/5/2024 2:07:09 PM"},
    {"t", kAfternoon, "2:07 PM"},
    {"tt", kAfternoon, "2:07:09 PM"},
    {"'yyyy' yyyy", kAfternoon, "yyyy 2024"},
    {"\"at\" h", kAfternoon, "at 14"},
    {"[x]-", kAfternoon, "[x]-"},
    {"aaa aaaa", kAfternoon, "Tue Tuesday"},
    {"dd.mm.yyyy", kAfternoon, "05.03.2024"},
    {"yyyy\xC3\xA9mm", kAfternoon, "2024\xC3\xA9" "03"},
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << "\"" << c.format << "\""; }

class FormatDateTime : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatDateTime, FormatsAsTheClassicRuntime) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(sys::formatDateTime(c.format, c.when, sys::usFormatSettings()), c.expected) << c.format;
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatDateTime, ::testing::ValuesIn(kCases));

TEST(FormatDateTimeSettings, SeparatorsAndNamesComeFromTheSettings) {
  sys::FormatSettings de = sys::usFormatSettings();
  de.shortDateFormat = "dd/mm/yyyy";
  de.longTimeFormat = "hh:nn:ss";
  de.dateSeparator = '.';
  de.timeSeparator = '.';
  de.longMonthNames[2] = "M\xC3\xA4rz";
  EXPECT_EQ(sys::formatDateTime("c", kAfternoon, de), "05.03.2024 14.07.09");
  EXPECT_EQ(sys::formatDateTime("d mmmm", kAfternoon, de), "5 M\xC3\xA4rz");
}

TEST(FormatDateTimeSettings, NowTextIsShortDateBlankLongTime) {
  sys::setFormatSettings(sys::usFormatSettings());
  sys::ScopedClock clock(kMidnight);
  // Unlike "c", the log form always carries the time, also at midnight.
  EXPECT_EQ(sys::nowText(), "3/5/2024 12:00:00 AM");
  EXPECT_EQ(sys::dateTimeToStr(kMidnight), "3/5/2024");
  EXPECT_EQ(sys::dateToStr(kAfternoon), "3/5/2024");
  EXPECT_EQ(sys::timeToStr(kAfternoon), "2:07:09 PM");
  EXPECT_EQ(sys::dateTimeText(kAfternoon), "3/5/2024 2:07:09 PM");
}

}  // namespace
