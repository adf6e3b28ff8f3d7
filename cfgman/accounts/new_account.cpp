#include "cfgman/accounts/new_account.h"

#include "platform/system/convert.h"
#include "platform/system/format_datetime.h"
#include "platform/system/parse_datetime.h"

namespace cfgman {

NewAccountRow convertNewAccount(const NewAccountInput& in) {
  NewAccountRow r;
  r.freqVal = in.minutes.empty() ? 0 : sys::strToInt(in.minutes);
  const sys::DateTime d = sys::strToDate(in.nextDate);
  r.year = d.year();
  r.month = d.month();
  r.day = d.day();
  r.time24 = sys::formatDateTime("hh:nn", sys::strToTime(in.nextTime));
  r.act1 = in.retrieve.substr(0, 1);
  r.act2 = in.deleteAfter.substr(0, 1);
  return r;
}

std::string makeNodeId(sys::DateTime now, int random) {
  const std::string r = std::to_string(random);
  return std::to_string(now.msec()) + r + sys::formatDateTime("sshhyymmdd", now) + r.substr(0, 3);
}

}  // namespace cfgman
