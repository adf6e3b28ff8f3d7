// The date-time value: calendar fields to days since 30 December 1899 and back.
#include <gtest/gtest.h>

#include "platform/system/datetime.h"
#include "platform/system/error.h"

namespace {

using sys::DateTime;

struct EncodeCase {
  int y, m, d, h, n, s, ms;
  double value;
  int dayOfWeek;  // 1 = Sunday
};

const EncodeCase kEncode[] = {
    {1899, 12, 30, 0, 0, 0, 0, 0.0, 7},
    {1899, 12, 31, 0, 0, 0, 0, 1.0, 1},
    {1900, 1, 1, 0, 0, 0, 0, 2.0, 2},
    {1900, 3, 1, 0, 0, 0, 0, 61.0, 5},  // 1900 is no leap year
    {2000, 1, 1, 0, 0, 0, 0, 36526.0, 7},
    {2024, 2, 29, 12, 0, 0, 0, 45351.5, 5},
    {2024, 3, 5, 6, 0, 0, 0, 45356.25, 3},
    {1899, 12, 29, 6, 0, 0, 0, -1.25, 6},  // before the epoch the fraction is subtracted
    {1, 1, 1, 0, 0, 0, 0, -693593.0, 2},
    {9999, 12, 31, 18, 0, 0, 0, 2958465.75, 6},
};

TEST(DateTime, EncodesAndDecodesCalendarFields) {
  for (const auto& c : kEncode) {
    SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
    const DateTime dt = DateTime::fromParts(c.y, c.m, c.d, c.h, c.n, c.s, c.ms);
    EXPECT_DOUBLE_EQ(dt.value(), c.value);
    EXPECT_EQ(dt.date(), (sys::Date{c.y, c.m, c.d}));
    EXPECT_EQ(dt.time(), (sys::TimeOfDay{c.h, c.n, c.s, c.ms}));
    EXPECT_EQ(dt.dayOfWeek(), c.dayOfWeek);
    const DateTime back(c.value);
    EXPECT_EQ(back.date(), (sys::Date{c.y, c.m, c.d}));
  }
}

TEST(DateTime, ZeroIsTheEpoch) {
  const DateTime z = DateTime::zero();
  EXPECT_EQ(z.date(), (sys::Date{1899, 12, 30}));
  EXPECT_EQ(z.time(), (sys::TimeOfDay{0, 0, 0, 0}));
}

TEST(DateTime, EveryMillisecondOfADayDecodesExactly) {
  // Times built from fields must come back as the same fields, despite the
  // double: no 09:59:59.999 for 10:00:00.
  const DateTime day = DateTime::fromDate(2023, 7, 14);
  for (int h = 0; h < 24; ++h)
    for (int n = 0; n < 60; n += 7)
      for (int s = 0; s < 60; s += 13) {
        const DateTime dt = DateTime::fromParts(2023, 7, 14, h, n, s, 999);
        ASSERT_EQ(dt.time(), (sys::TimeOfDay{h, n, s, 999}));
        ASSERT_EQ(dt.datePart(), day);
      }
}

struct BadFields {
  int y, m, d, h, n, s;
};

TEST(DateTime, RefusesFieldsOutOfRange) {
  const BadFields bad[] = {{2024, 13, 1, 0, 0, 0}, {2023, 2, 29, 0, 0, 0}, {1900, 2, 29, 0, 0, 0},
                           {0, 1, 1, 0, 0, 0},     {10000, 1, 1, 0, 0, 0}, {2024, 1, 0, 0, 0, 0},
                           {2024, 4, 31, 0, 0, 0}, {2024, 1, 1, 24, 0, 0}, {2024, 1, 1, 0, 60, 0},
                           {2024, 1, 1, 0, 0, 60}};
  for (const auto& b : bad) {
    SCOPED_TRACE(testing::Message() << b.y << "-" << b.m << "-" << b.d << " " << b.h << ":" << b.n << ":" << b.s);
    EXPECT_THROW(DateTime::fromParts(b.y, b.m, b.d, b.h, b.n, b.s), sys::Error);
    DateTime out;
    EXPECT_FALSE(DateTime::tryFromDate(b.y, b.m, b.d, out) && DateTime::tryFromTime(b.h, b.n, b.s, 0, out));
  }
  EXPECT_TRUE(DateTime::fromDate(2024, 2, 29).value() > 0);
  EXPECT_TRUE(DateTime::fromDate(2000, 2, 29).value() > 0);
}

TEST(DateTime, OrdersChronologicallyAlsoBeforeTheEpoch) {
  // -1.0 is 29 December 1899 00:00, -1.25 is 06:00 of that day: later.
  EXPECT_LT(DateTime(-1.0), DateTime(-1.25));
  EXPECT_LT(DateTime(-1.25), DateTime(0.0));
  EXPECT_LT(DateTime(0.0), DateTime(0.5));
  EXPECT_EQ(DateTime(-1.25).addSeconds(18 * 3600), DateTime(0.0));
}

TEST(DateTime, Arithmetic) {
  const DateTime t = DateTime::fromParts(2023, 12, 31, 23, 59, 30);
  EXPECT_EQ(t.addSeconds(45), DateTime::fromParts(2024, 1, 1, 0, 0, 15));
  EXPECT_EQ(t.addDays(60), DateTime::fromParts(2024, 2, 29, 23, 59, 30));
  EXPECT_EQ(DateTime::fromParts(1899, 12, 30, 0, 0, 10).addSeconds(-20),
            DateTime::fromParts(1899, 12, 29, 23, 59, 50));
  EXPECT_EQ(t.timePart(), DateTime::fromTime(23, 59, 30));
  EXPECT_EQ(t.datePart(), DateTime::fromDate(2023, 12, 31));
}

}  // namespace
