// The system formats: US forms under the C/POSIX locale, translation of the
// locale's C library patterns otherwise.
#include <gtest/gtest.h>

#include "platform/system/format_datetime.h"
#include "platform/system/format_settings.h"
#include "tests/platform/system/temp_dir.h"

namespace {

TEST(FormatSettings, CAndPosixLocalesGiveTheUsForms) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", "C.utf8", "xx_NOWHERE.UTF-8"}) {
    SCOPED_TRACE(name);
    const sys::FormatSettings fs = sys::localeFormatSettings(name);
    EXPECT_EQ(fs.shortDateFormat, "M/d/yyyy");
    EXPECT_EQ(fs.longTimeFormat, "h:mm:ss AM/PM");
    EXPECT_EQ(fs.dateSeparator, '/');
    EXPECT_EQ(fs.timeSeparator, ':');
  }
}

TEST(FormatSettings, EnvironmentSelectsTheLocale) {
  testing_support::ScopedEnv all("LC_ALL", "POSIX");
  testing_support::ScopedEnv time("LC_TIME", "de_DE.UTF-8");
  // LC_ALL wins over LC_TIME.
  EXPECT_EQ(sys::localeFormatSettings("").shortDateFormat, "M/d/yyyy");
}

struct PatternCase {
  const char* strftime;
  const char* pascal;
  char dateSep;
  char timeSep;
};

const PatternCase kPatterns[] = {
    {"%m/%d/%Y", "mm/dd/yyyy", '/', 0},
    {"%d.%m.%Y", "dd/mm/yyyy", '.', 0},
    {"%Y-%m-%d", "yyyy/mm/dd", '-', 0},
    {"%F", "yyyy/mm/dd", '-', 0},
    {"%d/%m/%y", "dd/mm/yy", '/', 0},
    {"%e %B %Y", "d mmmm yyyy", 0, 0},
    {"%H:%M:%S", "hh:nn:ss", 0, ':'},
    {"%T", "hh:nn:ss", 0, ':'},
    {"%r", "hh:nn:ss ampm", 0, ':'},
    {"%H.%M.%S", "hh:nn:ss", 0, '.'},
    {"%d de %B", "dd\" de \"mmmm", 0, 0},
    {"%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", "yyyy\xE5\xB9\xB4mm\xE6\x9C\x88" "dd\xE6\x97\xA5", 0, 0},
};

TEST(FormatSettings, TranslatesCLibraryPatterns) {
  for (const auto& c : kPatterns) {
    SCOPED_TRACE(c.strftime);
    char d = 0, t = 0;
    EXPECT_EQ(sys::patternFromStrftime(c.strftime, &d, &t), c.pascal);
    EXPECT_EQ(d, c.dateSep);
    EXPECT_EQ(t, c.timeSep);
  }
}

TEST(FormatSettings, TranslatedPatternFormatsLikeTheLocale) {
  sys::FormatSettings fs = sys::usFormatSettings();
  char d = 0, t = 0;
  fs.shortDateFormat = sys::patternFromStrftime("%d.%m.%Y", &d, &t);
  fs.dateSeparator = d;
  const sys::DateTime when = sys::DateTime::fromDate(2024, 3, 5);
  EXPECT_EQ(sys::formatDateTime(fs.shortDateFormat, when, fs), "05.03.2024");
  EXPECT_EQ(sys::formatDateTime(sys::patternFromStrftime("%d de %B", &d, &t), when, fs), "05 de March");
}

}  // namespace
