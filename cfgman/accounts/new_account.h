// What the account wizard collects, converted into the NODES row and the
// account's default rules.dbf row ("Control Restriction") before anything is
// written. convertNewAccount raises sys::Error with the conversion message
// ("'x' is not a valid integer", "... date", "... time") so a bad entry
// leaves no half-filled row behind. makeNodeId builds an account identifier
// from a moment and a pseudo-random number: ms, r, "sshhyymmdd", first three
// digits of r (at most 19 characters).
#pragma once

#include <string>

#include "platform/system/datetime.h"

namespace cfgman {

struct NewAccountInput {
  std::string name, smtp, pop, login, password, email;
  std::string minutes;   // interval box; empty counts as 0
  std::string nextDate;  // short date format
  std::string nextTime;  // time format, e.g. "09:30AM"
  std::string retrieve = "YES", deleteAfter = "YES";
};

struct NewAccountRow {
  int freqVal = 0;
  int year = 0, month = 0, day = 0;
  std::string time24;  // "hh:mm"
  std::string act1, act2;  // "Y" / "N"
};

NewAccountRow convertNewAccount(const NewAccountInput& in);

std::string makeNodeId(sys::DateTime now, int random);

inline constexpr const char* kControlRestriction = "Control Restriction";

}  // namespace cfgman
