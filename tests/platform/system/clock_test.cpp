// The settable clock: tests fix "now", step it, and get the system clock back.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/system/clock.h"

namespace {

using sys::DateTime;

TEST(Clock, ScopedClockFixesAndStepsNow) {
  const DateTime start = DateTime::fromParts(2024, 3, 5, 14, 7, 9);
  {
    sys::ScopedClock clock(start);
    EXPECT_EQ(sys::now(), start);
    EXPECT_EQ(sys::now(), start);
    clock.advanceSeconds(61);
    EXPECT_EQ(sys::now(), DateTime::fromParts(2024, 3, 5, 14, 8, 10));
    clock.setAutoStepMsecs(1000);
    EXPECT_EQ(sys::now(), DateTime::fromParts(2024, 3, 5, 14, 8, 10));
    EXPECT_EQ(sys::now(), DateTime::fromParts(2024, 3, 5, 14, 8, 11));
    {
      sys::ScopedClock inner(DateTime::zero());
      EXPECT_EQ(sys::now(), DateTime::zero());
    }
    EXPECT_EQ(sys::now(), DateTime::fromParts(2024, 3, 5, 14, 8, 12));
  }
  // Back on the system clock: today, not 2024-03-05.
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  const DateTime n = sys::now();
  const DateTime sys = DateTime::fromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                           local.tm_min, local.tm_sec);
  EXPECT_LT(std::llabs(n.totalMsecs() - sys.totalMsecs()), 5000);
}

TEST(Clock, SetClockReturnsThePreviousOne) {
  auto previous = sys::setClock([] { return DateTime::fromDate(2001, 2, 3); });
  EXPECT_EQ(sys::now(), DateTime::fromDate(2001, 2, 3));
  auto mine = sys::setClock(previous);
  ASSERT_TRUE(mine);
  EXPECT_EQ(mine(), DateTime::fromDate(2001, 2, 3));
  EXPECT_NE(sys::now(), DateTime::fromDate(2001, 2, 3));
}

}  // namespace
