#include "platform/mail/message_date.h"

#include <array>
#include <cctype>
#include <optional>
#include <vector>

#include "platform/mail/message.h"

namespace mail {

namespace {

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return out;
}

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int toInt(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

// Words split at blanks, tabs and commas; a comma also ends a word.
std::vector<std::string> words(std::string_view s) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n') {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

int monthNumber(const std::string& word) {
  static constexpr std::array<const char*, 12> kNames = {
      "JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
      "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
  std::string w = upper(word);
  if (w.size() == 4 && w.back() == '.') w.pop_back();  // "Aug."
  for (int i = 0; i < 12; ++i) {
    std::string full = kNames[i];
    if (w == full || (w.size() == 3 && full.compare(0, 3, w) == 0) ||
        (w == "SEPT" && i == 8))
      return i + 1;
  }
  return 0;
}

bool isWeekday(const std::string& word) {
  static constexpr std::array<const char*, 7> kDays = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                                                       "THURSDAY", "FRIDAY", "SATURDAY"};
  std::string w = upper(word);
  for (const char* d : kDays) {
    std::string full = d;
    if (w == full || (w.size() == 3 && full.compare(0, 3, w) == 0)) return true;
  }
  return false;
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysIn(int y, int m) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// "hh:mm" or "hh:mm:ss", one or two digits each.
bool readTime(const std::string& w, MailDateTime& dt) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : w) {
    if (c == ':') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  if (parts.size() < 2 || parts.size() > 3) return false;
  for (const std::string& p : parts)
    if (!allDigits(p) || p.size() > 2) return false;
  dt.hour = toInt(parts[0]);
  dt.minute = toInt(parts[1]);
  dt.second = parts.size() == 3 ? toInt(parts[2]) : 0;
  return dt.hour <= 23 && dt.minute <= 59 && dt.second <= 60;
}

}  // namespace

MailDateTime parseMailDate(std::string_view value) {
  std::vector<std::string> w = words(value);
  std::size_t i = 0;
  if (i < w.size() && isWeekday(w[i])) ++i;
  if (w.size() < i + 4) return MailDateTime::zero();

  MailDateTime dt;
  // Day and month; the month may also come first ("Aug 7 1998" is not RFC 822
  // but costs nothing to read).
  if (allDigits(w[i]) && w[i].size() <= 2 && monthNumber(w[i + 1])) {
    dt.day = toInt(w[i]);
    dt.month = monthNumber(w[i + 1]);
  } else if (monthNumber(w[i]) && allDigits(w[i + 1]) && w[i + 1].size() <= 2) {
    dt.month = monthNumber(w[i]);
    dt.day = toInt(w[i + 1]);
  } else {
    return MailDateTime::zero();
  }
  const std::string& year = w[i + 2];
  if (!allDigits(year) || year.size() > 4) return MailDateTime::zero();
  int y = toInt(year);
  if (year.size() <= 2) y += y <= 50 ? 2000 : 1900;
  else if (year.size() == 3) y += 1900;
  dt.year = y;
  if (dt.year < 1 || dt.day < 1 || dt.day > daysIn(dt.year, dt.month)) return MailDateTime::zero();
  if (!readTime(w[i + 3], dt)) return MailDateTime::zero();
  if (dt.second == 60) dt.second = 59;  // a leap second
  return dt;
}

MailDateTime messageDateTime(const TmsMessage& message) {
  return parseMailDate(message.headerValue("Date"));
}

}  // namespace mail
