#include "platform/system/datetime.h"

#include <cmath>

#include "platform/system/error.h"

namespace sys {
namespace {

constexpr std::int64_t kMsecsPerDay = 86400000;

// Days from 1970-01-01 for a proleptic Gregorian date (H. Hinnant's method).
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

Date civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp + (mp < 10 ? 3 : -9);
  return Date{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// constexpr: DateTime values built during static initialisation need it.
constexpr std::int64_t kEpochDays = daysFromCivil(1899, 12, 30);
static_assert(kEpochDays == -25569);

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0); }

int daysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kDays[month - 1] + ((month == 2 && isLeapYear(year)) ? 1 : 0);
}

bool DateTime::tryFromDate(int year, int month, int day, DateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
    return false;
  out = DateTime(static_cast<double>(daysFromCivil(year, month, day) - kEpochDays));
  return true;
}

bool DateTime::tryFromTime(int hour, int minute, int second, int msec, DateTime& out) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999)
    return false;
  const std::int64_t ms = ((std::int64_t(hour) * 60 + minute) * 60 + second) * 1000 + msec;
  out = DateTime(static_cast<double>(ms) / kMsecsPerDay);
  return true;
}

DateTime DateTime::fromDate(int year, int month, int day) {
  DateTime r;
  if (!tryFromDate(year, month, day, r)) throw Error("Invalid argument to date encode");
  return r;
}

DateTime DateTime::fromTime(int hour, int minute, int second, int msec) {
  DateTime r;
  if (!tryFromTime(hour, minute, second, msec, r)) throw Error("Invalid argument to time encode");
  return r;
}

DateTime DateTime::fromParts(int year, int month, int day, int hour, int minute, int second, int msec) {
  const DateTime d = fromDate(year, month, day);
  const DateTime t = fromTime(hour, minute, second, msec);
  // Before the epoch the time of day is subtracted: the fraction is positive.
  return DateTime(d.value_ >= 0 ? d.value_ + t.value_ : d.value_ - t.value_);
}

DateTime DateTime::fromParts(const Date& d, const TimeOfDay& t) {
  return fromParts(d.year, d.month, d.day, t.hour, t.minute, t.second, t.msec);
}

std::int64_t DateTime::totalMsecs() const {
  const double whole = std::trunc(value_);
  const double frac = std::fabs(value_ - whole);
  return static_cast<std::int64_t>(whole) * kMsecsPerDay + std::llround(frac * kMsecsPerDay);
}

DateTime DateTime::fromTotalMsecs(std::int64_t ms) {
  const std::int64_t days = floorDiv(ms, kMsecsPerDay);
  const std::int64_t rest = ms - days * kMsecsPerDay;
  const double frac = static_cast<double>(rest) / kMsecsPerDay;
  return DateTime(days >= 0 ? static_cast<double>(days) + frac : static_cast<double>(days) - frac);
}

Date DateTime::date() const { return civilFromDays(floorDiv(totalMsecs(), kMsecsPerDay) + kEpochDays); }

TimeOfDay DateTime::time() const {
  const std::int64_t ms = totalMsecs();
  std::int64_t rest = ms - floorDiv(ms, kMsecsPerDay) * kMsecsPerDay;
  TimeOfDay t;
  t.msec = static_cast<int>(rest % 1000);
  rest /= 1000;
  t.second = static_cast<int>(rest % 60);
  rest /= 60;
  t.minute = static_cast<int>(rest % 60);
  t.hour = static_cast<int>(rest / 60);
  return t;
}

int DateTime::dayOfWeek() const {
  // 30 December 1899 was a Saturday (7).
  const std::int64_t days = floorDiv(totalMsecs(), kMsecsPerDay);
  return static_cast<int>(((days % 7) + 7 + 6) % 7) + 1;
}

DateTime DateTime::datePart() const {
  return fromTotalMsecs(floorDiv(totalMsecs(), kMsecsPerDay) * kMsecsPerDay);
}

DateTime DateTime::timePart() const {
  const std::int64_t ms = totalMsecs();
  return fromTotalMsecs(ms - floorDiv(ms, kMsecsPerDay) * kMsecsPerDay);
}

}  // namespace sys
