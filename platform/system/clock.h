// The one clock of the system. Every part that needs "now" (log lines, keys,
// agent file stamps, merge codes) calls sys::now(), which returns the local
// date and time. Tests install their own clock: a fixed moment that they step
// by hand, so keys and log lines made of time stamps are exact.
#pragma once

#include <functional>

#include "platform/system/datetime.h"

namespace sys {

// The current local date and time, from the installed clock.
DateTime now();

// The current local date and time read from the operating system.
DateTime systemNow();

using ClockFn = std::function<DateTime()>;
// Installs a clock; an empty function restores the system clock. Returns the
// clock that was installed before.
ClockFn setClock(ClockFn clock);

// A clock for tests: while it lives, sys::now() returns its moment, which
// only changes when the test sets or advances it (or when autoStep is set:
// then every call of sys::now() moves it on by that many milliseconds).
class ScopedClock {
 public:
  explicit ScopedClock(DateTime start);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

  void set(DateTime t) { current_ = t; }
  void advanceSeconds(long long s) { current_ = current_.addSeconds(s); }
  void advanceMsecs(long long ms) { current_ = current_.addMsecs(ms); }
  void setAutoStepMsecs(long long ms) { step_ = ms; }
  DateTime current() const { return current_; }

 private:
  DateTime current_;
  long long step_ = 0;
  ClockFn previous_;
};

}  // namespace sys
