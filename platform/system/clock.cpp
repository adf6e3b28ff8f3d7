#include "platform/system/clock.h"

#include <ctime>

namespace sys {
namespace {
ClockFn& installedClock() {
  static ClockFn clock;
  return clock;
}
}  // namespace

DateTime systemNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  return DateTime::fromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                             local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                             static_cast<int>(ts.tv_nsec / 1000000));
}

DateTime now() {
  const ClockFn& clock = installedClock();
  return clock ? clock() : systemNow();
}

ClockFn setClock(ClockFn clock) {
  ClockFn previous = std::move(installedClock());
  installedClock() = std::move(clock);
  return previous;
}

ScopedClock::ScopedClock(DateTime start) : current_(start) {
  previous_ = setClock([this] {
    const DateTime t = current_;
    if (step_ != 0) current_ = current_.addMsecs(step_);
    return t;
  });
}

ScopedClock::~ScopedClock() { setClock(std::move(previous_)); }

}  // namespace sys
