// The polling schedule of an account (NODES.DBF: NEXTDATE, NEXTTIME, FREQVAL).
// - An account is due when the current moment has reached NEXTDATE at
//   NEXTTIME ("hh:mm", 24-hour). An empty NEXTDATE means "as soon as
//   possible": due. An empty or unreadable NEXTTIME counts as 00:00.
// - After each poll, whatever its outcome, the next poll is the moment of the
//   poll plus FREQVAL minutes, to the whole minute (seconds dropped, as
//   NEXTTIME holds none). FREQVAL is taken as minutes whatever FREQTYPE says;
//   a FREQVAL below 1 counts as 1, so a broken value cannot make a busy loop.
#pragma once

#include <string>

#include "platform/system/datetime.h"
#include "platform/xbase/cursor.h"

namespace retrieve {

struct NextPoll {
  xbase::Cursor::Date date;
  std::string time;  // "hh:mm"
};

bool isDue(const xbase::Cursor::Date& nextDate, const std::string& nextTime, sys::DateTime now);
NextPoll nextPoll(sys::DateTime polledAt, long freqMinutes);
// "hh:mm" of a moment.
std::string hhmm(sys::DateTime t);

}  // namespace retrieve
