#include "platform/system/parse_datetime.h"

#include "platform/system/clock.h"
#include "platform/system/error.h"

namespace sys {
namespace {

enum class DateOrder { MDY, DMY, YMD };

DateOrder dateOrder(std::string_view format) {
  for (char c : format) {
    switch (c & 0xDF) {
      case 'E':
      case 'Y': return DateOrder::YMD;
      case 'M': return DateOrder::MDY;
      case 'D': return DateOrder::DMY;
      default: break;
    }
  }
  return DateOrder::MDY;
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

struct Scanner {
  std::string_view s;
  std::size_t pos = 0;

  void blanks() {
    while (pos < s.size() && s[pos] == ' ') ++pos;
  }
  bool number(int& value, int& digits) {
    blanks();
    std::size_t i = pos;
    int n = 0;
    // At most four digits are taken: a longer number leaves the rest unread.
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && n < 1000) {
      n = n * 10 + (s[i] - '0');
      ++i;
    }
    if (i == pos) return false;
    digits = static_cast<int>(i - pos);
    pos = i;
    value = n;
    return true;
  }
  bool character(char c) {
    blanks();
    if (pos < s.size() && s[pos] == c) {
      ++pos;
      return true;
    }
    return false;
  }
  bool word(std::string_view w) {
    blanks();
    if (w.empty() || pos + w.size() > s.size()) return false;
    for (std::size_t i = 0; i < w.size(); ++i)
      if (upper(s[pos + i]) != upper(w[i])) return false;
    pos += w.size();
    return true;
  }
  bool atEnd() const { return pos >= s.size(); }
};

bool scanDate(Scanner& sc, DateTime& out, const FormatSettings& fs, int currentYear) {
  const DateOrder order = dateOrder(fs.shortDateFormat);
  int n1 = 0, n2 = 0, n3 = 0, l1 = 0, l2 = 0, l3 = 0;
  int y = 0, m = 0, d = 0;
  if (!(sc.number(n1, l1) && sc.character(fs.dateSeparator) && sc.number(n2, l2))) return false;
  if (sc.character(fs.dateSeparator)) {
    if (!sc.number(n3, l3)) return false;
    int yearLen = 0;
    switch (order) {
      case DateOrder::MDY: y = n3; yearLen = l3; m = n1; d = n2; break;
      case DateOrder::DMY: y = n3; yearLen = l3; m = n2; d = n1; break;
      case DateOrder::YMD: y = n1; yearLen = l1; m = n2; d = n3; break;
    }
    if (yearLen <= 2) {
      const int centuryBase = currentYear - fs.twoDigitYearCenturyWindow;
      y += centuryBase / 100 * 100;
      if (fs.twoDigitYearCenturyWindow > 0 && y < centuryBase) y += 100;
    }
  } else {
    y = currentYear;
    if (order == DateOrder::DMY) {
      d = n1;
      m = n2;
    } else {
      m = n1;
      d = n2;
    }
  }
  sc.character(fs.dateSeparator);
  sc.blanks();
  return DateTime::tryFromDate(y, m, d, out);
}

bool scanTime(Scanner& sc, DateTime& out, const FormatSettings& fs) {
  int baseHour = -1;
  if (sc.word(fs.timeAMString) || sc.word("AM")) baseHour = 0;
  else if (sc.word(fs.timePMString) || sc.word("PM")) baseHour = 12;
  if (baseHour >= 0) sc.blanks();
  int hour = 0, minute = 0, second = 0, msec = 0, junk = 0;
  if (!sc.number(hour, junk)) return false;
  if (sc.character(fs.timeSeparator)) {
    if (!sc.number(minute, junk)) return false;
    if (sc.character(fs.timeSeparator)) {
      if (!sc.number(second, junk)) return false;
      if (sc.character(fs.decimalSeparator))
        if (!sc.number(msec, junk)) return false;
    }
  }
  if (baseHour < 0) {
    if (sc.word(fs.timeAMString) || sc.word("AM")) baseHour = 0;
    else if (sc.word(fs.timePMString) || sc.word("PM")) baseHour = 12;
  }
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += baseHour;
  }
  sc.blanks();
  return DateTime::tryFromTime(hour, minute, second, msec, out);
}

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

}  // namespace

bool tryStrToDate(std::string_view text, DateTime& out, const FormatSettings& fs, int currentYear) {
  Scanner sc{text};
  DateTime d;
  if (!scanDate(sc, d, fs, currentYear) || !sc.atEnd()) return false;
  out = d;
  return true;
}

bool tryStrToTime(std::string_view text, DateTime& out, const FormatSettings& fs) {
  Scanner sc{text};
  DateTime t;
  if (!scanTime(sc, t, fs) || !sc.atEnd()) return false;
  out = t;
  return true;
}

bool tryStrToDate(std::string_view text, DateTime& out) {
  return tryStrToDate(text, out, formatSettings(), now().year());
}

bool tryStrToTime(std::string_view text, DateTime& out) {
  return tryStrToTime(text, out, formatSettings());
}

bool tryStrToDateTime(std::string_view text, DateTime& out) {
  const FormatSettings& fs = formatSettings();
  Scanner sc{text};
  DateTime d, t;
  if (scanDate(sc, d, fs, now().year())) {
    if (sc.atEnd()) {
      out = d;
      return true;
    }
    if (scanTime(sc, t, fs) && sc.atEnd()) {
      out = DateTime::fromParts(d.date(), t.time());
      return true;
    }
  }
  return tryStrToTime(text, out, fs);
}

DateTime strToDate(std::string_view text) {
  DateTime d;
  if (!tryStrToDate(text, d)) throw Error(quoted(text) + " is not a valid date");
  return d;
}

DateTime strToTime(std::string_view text) {
  DateTime t;
  if (!tryStrToTime(text, t)) throw Error(quoted(text) + " is not a valid time");
  return t;
}

DateTime strToDateTime(std::string_view text) {
  DateTime dt;
  if (!tryStrToDateTime(text, dt)) throw Error(quoted(text) + " is not a valid date and time");
  return dt;
}

}  // namespace sys
