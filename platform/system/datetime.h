// A local date and time as the classic Pascal TDateTime: a double counting
// days since 30 December 1899 00:00:00, the fraction being the time of day.
// The zero value is that moment (DateTime::zero()), which the system uses for
// "no date". Before the epoch the integer part is negative and the fraction,
// taken as a positive amount, is still the time of day (-1.25 is 29 December
// 1899 06:00). Decoding rounds to whole milliseconds, so a value built from
// fields decodes back to exactly those fields.
#pragma once

#include <compare>
#include <cstdint>

namespace sys {

struct Date {
  int year = 1899;   // 1..9999
  int month = 12;    // 1..12
  int day = 30;      // 1..31
  friend bool operator==(const Date&, const Date&) = default;
};

struct TimeOfDay {
  int hour = 0;     // 0..23
  int minute = 0;   // 0..59
  int second = 0;   // 0..59
  int msec = 0;     // 0..999
  friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

class DateTime {
 public:
  constexpr DateTime() = default;
  constexpr explicit DateTime(double days) : value_(days) {}

  // 30 December 1899 00:00:00.
  static constexpr DateTime zero() { return DateTime(0.0); }

  // Throws sys::Error when a field is out of range ("Invalid argument to date
  // encode" / "Invalid argument to time encode", as the classic runtime says).
  static DateTime fromDate(int year, int month, int day);
  static DateTime fromTime(int hour, int minute, int second, int msec = 0);
  static DateTime fromParts(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0, int msec = 0);
  static DateTime fromParts(const Date& d, const TimeOfDay& t);
  // Non-throwing forms: false when a field is out of range.
  static bool tryFromDate(int year, int month, int day, DateTime& out);
  static bool tryFromTime(int hour, int minute, int second, int msec, DateTime& out);

  constexpr double value() const { return value_; }

  Date date() const;
  TimeOfDay time() const;
  int year() const { return date().year; }
  int month() const { return date().month; }
  int day() const { return date().day; }
  int hour() const { return time().hour; }
  int minute() const { return time().minute; }
  int second() const { return time().second; }
  int msec() const { return time().msec; }
  // 1 = Sunday .. 7 = Saturday, as the classic DayOfWeek.
  int dayOfWeek() const;

  // The date alone (time 00:00:00) and the time alone (on 30 December 1899).
  DateTime datePart() const;
  DateTime timePart() const;

  // Whole milliseconds since the epoch, the exact form used for comparisons.
  std::int64_t totalMsecs() const;
  static DateTime fromTotalMsecs(std::int64_t ms);

  DateTime addMsecs(std::int64_t ms) const { return fromTotalMsecs(totalMsecs() + ms); }
  DateTime addSeconds(std::int64_t s) const { return addMsecs(s * 1000); }
  DateTime addDays(int days) const { return fromParts(date(), time()).addMsecs(std::int64_t(days) * 86400000); }

  friend bool operator==(const DateTime& a, const DateTime& b) { return a.totalMsecs() == b.totalMsecs(); }
  friend std::strong_ordering operator<=>(const DateTime& a, const DateTime& b) {
    return a.totalMsecs() <=> b.totalMsecs();
  }

 private:
  double value_ = 0.0;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);

}  // namespace sys
