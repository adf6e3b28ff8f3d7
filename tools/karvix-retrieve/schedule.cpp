#include "tools/karvix-retrieve/schedule.h"

#include <cstdio>

#include "platform/system/text.h"

namespace retrieve {
namespace {

// Minutes after midnight of "hh:mm" (also "h:mm"); 0 when unreadable.
int minutesOfDay(const std::string& text) {
  const std::string t = sys::trim(text);
  int h = 0, m = 0;
  char tail = 0;
  if (std::sscanf(t.c_str(), "%d:%d%c", &h, &m, &tail) != 2) return 0;
  if (h < 0 || h > 23 || m < 0 || m > 59) return 0;
  return h * 60 + m;
}

}  // namespace

bool isDue(const xbase::Cursor::Date& nextDate, const std::string& nextTime, sys::DateTime now) {
  if (nextDate.empty()) return true;
  sys::DateTime day;
  if (!sys::DateTime::tryFromDate(nextDate.year, nextDate.month, nextDate.day, day)) return true;
  const sys::DateTime at = day.addSeconds(static_cast<long long>(minutesOfDay(nextTime)) * 60);
  return now >= at;
}

std::string hhmm(sys::DateTime t) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d:%02d", t.hour(), t.minute());
  return buf;
}

NextPoll nextPoll(sys::DateTime polledAt, long freqMinutes) {
  const long minutes = freqMinutes < 1 ? 1 : freqMinutes;
  const sys::DateTime next = polledAt.addSeconds(static_cast<long long>(minutes) * 60);
  const sys::Date d = next.date();
  return {{d.year, d.month, d.day}, hhmm(next)};
}

}  // namespace retrieve
