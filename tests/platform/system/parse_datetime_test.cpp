// Reading typed dates and times, with the conversion messages.
#include <gtest/gtest.h>

#include "platform/system/clock.h"
#include "platform/system/error.h"
#include "platform/system/parse_datetime.h"

namespace {

using sys::DateTime;

struct DateCase {
  const char* text;
  bool ok;
  int y, m, d;
};

const DateCase kUsDates[] = {
    {"3/5/2024", true, 2024, 3, 5},
    {"03/05/24", true, 2024, 3, 5},
    {"12/31/75", true, 1975, 12, 31},  // window of 50 years before 2024: 1974..2073
    {"1/1/74", true, 1974, 1, 1},
    {"1/1/73", true, 2073, 1, 1},
    {"1/1/00", true, 2000, 1, 1},
    {"3/5", true, 2024, 3, 5},         // no year: this year
    {" 3 / 5 / 2024 ", true, 2024, 3, 5},
    {"3/5/2024/", true, 2024, 3, 5},   // a closing separator is allowed
    {"2/29/2024", true, 2024, 2, 29},
    {"2/29/2023", false, 0, 0, 0},
    {"2/30/2024", false, 0, 0, 0},
    {"13/1/2024", false, 0, 0, 0},
    {"0/1/2024", false, 0, 0, 0},
    {"3/5/2024x", false, 0, 0, 0},
    {"3-5-2024", false, 0, 0, 0},
    {"  /  /  ", false, 0, 0, 0},
    {"abc", false, 0, 0, 0},
    {"", false, 0, 0, 0},
    {"3", false, 0, 0, 0},
    {"3/5/12345", false, 0, 0, 0},
};

TEST(ParseDate, UsOrderMonthDayYear) {
  const sys::FormatSettings us = sys::usFormatSettings();
  for (const auto& c : kUsDates) {
    SCOPED_TRACE(c.text);
    DateTime out;
    const bool ok = sys::tryStrToDate(c.text, out, us, 2024);
    ASSERT_EQ(ok, c.ok);
    if (ok) {
      EXPECT_EQ(out, DateTime::fromDate(c.y, c.m, c.d));
    }
  }
}

TEST(ParseDate, OrderFollowsTheShortDateFormat) {
  sys::FormatSettings fs = sys::usFormatSettings();
  fs.shortDateFormat = "dd/mm/yyyy";
  fs.dateSeparator = '.';
  DateTime out;
  ASSERT_TRUE(sys::tryStrToDate("05.03.2024", out, fs, 2024));
  EXPECT_EQ(out, DateTime::fromDate(2024, 3, 5));
  ASSERT_TRUE(sys::tryStrToDate("5.3", out, fs, 2024));
  EXPECT_EQ(out, DateTime::fromDate(2024, 3, 5));
  EXPECT_FALSE(sys::tryStrToDate("05/03/2024", out, fs, 2024));
  fs.shortDateFormat = "yyyy/mm/dd";
  fs.dateSeparator = '-';
  ASSERT_TRUE(sys::tryStrToDate("2024-03-05", out, fs, 2024));
  EXPECT_EQ(out, DateTime::fromDate(2024, 3, 5));
}

struct TimeCase {
  const char* text;
  bool ok;
  int h, n, s, ms;
};

const TimeCase kTimes[] = {
    {"9:30", true, 9, 30, 0, 0},
    {"09:30AM", true, 9, 30, 0, 0},
    {"09:30am", true, 9, 30, 0, 0},
    {"12:00AM", true, 0, 0, 0, 0},
    {"12:15PM", true, 12, 15, 0, 0},
    {"1:05:07 PM", true, 13, 5, 7, 0},
    {"PM 1:05", true, 13, 5, 0, 0},
    {"13:00", true, 13, 0, 0, 0},
    {"9", true, 9, 0, 0, 0},
    {"9:30:15.250", true, 9, 30, 15, 250},
    {" 9 : 30 ", true, 9, 30, 0, 0},
    {"13:00PM", false, 0, 0, 0, 0},
    {"0:30 AM", false, 0, 0, 0, 0},
    {"24:00", false, 0, 0, 0, 0},
    {"9:60", false, 0, 0, 0, 0},
    {"9:30:61", false, 0, 0, 0, 0},
    {"  :    ", false, 0, 0, 0, 0},
    {"9:30 XM", false, 0, 0, 0, 0},
    {"9:", false, 0, 0, 0, 0},
    {"", false, 0, 0, 0, 0},
};

TEST(ParseTime, HoursMinutesSecondsAndMarker) {
  const sys::FormatSettings us = sys::usFormatSettings();
  for (const auto& c : kTimes) {
    SCOPED_TRACE(c.text);
    DateTime out;
    const bool ok = sys::tryStrToTime(c.text, out, us);
    ASSERT_EQ(ok, c.ok);
    if (ok) {
      EXPECT_EQ(out, DateTime::fromTime(c.h, c.n, c.s, c.ms));
    }
  }
}

TEST(ParseDateTime, ConversionMessages) {
  sys::setFormatSettings(sys::usFormatSettings());
  sys::ScopedClock clock(DateTime::fromParts(2024, 6, 1, 8, 0, 0));
  struct Bad {
    int kind;  // 0 date, 1 time, 2 date and time
    const char* text;
    const char* message;
  };
  const Bad bad[] = {
      {0, "13/45/2024", "'13/45/2024' is not a valid date"},
      {0, "  /  /  ", "'  /  /  ' is not a valid date"},
      {1, "  :    ", "'  :    ' is not a valid time"},
      {1, "25:00", "'25:00' is not a valid time"},
      {2, "junk", "'junk' is not a valid date and time"},
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(b.text);
    try {
      if (b.kind == 0) sys::strToDate(b.text);
      else if (b.kind == 1) sys::strToTime(b.text);
      else sys::strToDateTime(b.text);
      ADD_FAILURE() << "no error";
    } catch (const sys::Error& e) {
      EXPECT_STREQ(e.what(), b.message);
    }
  }
  EXPECT_EQ(sys::strToDate("7/4"), DateTime::fromDate(2024, 7, 4));
  EXPECT_EQ(sys::strToDateTime("3/5/2024 2:07:09 PM"), DateTime::fromParts(2024, 3, 5, 14, 7, 9));
  EXPECT_EQ(sys::strToDateTime("3/5/2024"), DateTime::fromDate(2024, 3, 5));
  EXPECT_EQ(sys::strToDateTime("2:07 PM"), DateTime::fromTime(14, 7, 0));
}

}  // namespace
