#include "platform/system/format_datetime.h"

#include <cstdio>

#include "platform/system/clock.h"

namespace sys {
namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool startsWithNoCase(std::string_view s, std::size_t at, std::string_view what) {
  if (at + what.size() > s.size()) return false;
  for (std::size_t i = 0; i < what.size(); ++i)
    if (upper(s[at + i]) != upper(what[i])) return false;
  return true;
}

void appendNumber(std::string& out, int value, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*d", digits, value);
  out += buf;
}

struct Formatter {
  const FormatSettings& fs;
  Date date;
  TimeOfDay time;
  int dayOfWeek;  // 1 = Sunday
  std::string out;

  void append(std::string_view f, int level) {
    if (level >= 2) return;  // formats within formats go two levels deep only
    char lastToken = ' ';
    bool use12Hour = false;
    std::size_t i = 0;
    while (i < f.size()) {
      const char starter = f[i++];
      char token = upper(starter);
      if (isLetter(token)) {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      auto getCount = [&] {
        std::size_t start = i;
        while (i < f.size() && f[i] == starter) ++i;
        return static_cast<int>(i - start + 1);
      };
      switch (token) {
        case 'Y': {
          const int count = getCount();
          if (count <= 2) appendNumber(out, date.year % 100, 2);
          else appendNumber(out, date.year, 4);
          break;
        }
        case 'M': {
          const int count = getCount();
          if (count <= 2) appendNumber(out, date.month, count);
          else if (count == 3) out += fs.shortMonthNames[date.month - 1];
          else out += fs.longMonthNames[date.month - 1];
          break;
        }
        case 'D': {
          const int count = getCount();
          if (count <= 2) appendNumber(out, date.day, count);
          else if (count == 3) out += fs.shortDayNames[dayOfWeek - 1];
          else if (count == 4) out += fs.longDayNames[dayOfWeek - 1];
          else if (count == 5) append(fs.shortDateFormat, level + 1);
          else append(fs.longDateFormat, level + 1);
          break;
        }
        case 'H': {
          int count = getCount();
          // A 12-hour clock when an am/pm marker follows before the next hour.
          bool quoted = false;
          for (std::size_t k = i; k < f.size(); ++k) {
            const char c = f[k];
            if ((c == 'a' || c == 'A') && !quoted) {
              if (startsWithNoCase(f, k, "AM/PM") || startsWithNoCase(f, k, "A/P") ||
                  startsWithNoCase(f, k, "AMPM"))
                use12Hour = true;
              break;
            }
            if ((c == 'h' || c == 'H') && !quoted) break;
            if (c == '\'' || c == '"') quoted = !quoted;
          }
          int h = time.hour;
          if (use12Hour) {
            if (h == 0) h = 12;
            else if (h > 12) h -= 12;
          }
          if (count > 2) count = 2;
          appendNumber(out, h, count);
          break;
        }
        case 'N': {
          int count = getCount();
          if (count > 2) count = 2;
          appendNumber(out, time.minute, count);
          break;
        }
        case 'S': {
          int count = getCount();
          if (count > 2) count = 2;
          appendNumber(out, time.second, count);
          break;
        }
        case 'Z': {
          int count = getCount();
          if (count > 3) count = 3;
          appendNumber(out, time.msec, count);
          break;
        }
        case 'T': {
          const int count = getCount();
          append(count == 1 ? fs.shortTimeFormat : fs.longTimeFormat, level + 1);
          break;
        }
        case 'A': {
          const std::size_t at = i - 1;
          const bool pm = time.hour >= 12;
          if (startsWithNoCase(f, at, "AM/PM")) {
            out += f.substr(pm ? at + 3 : at, 2);
            i = at + 5;
            use12Hour = true;
          } else if (startsWithNoCase(f, at, "A/P")) {
            out += f.substr(pm ? at + 2 : at, 1);
            i = at + 3;
            use12Hour = true;
          } else if (startsWithNoCase(f, at, "AMPM")) {
            out += pm ? fs.timePMString : fs.timeAMString;
            i = at + 4;
            use12Hour = true;
          } else if (startsWithNoCase(f, at, "AAAA")) {
            out += fs.longDayNames[dayOfWeek - 1];
            i = at + 4;
          } else if (startsWithNoCase(f, at, "AAA")) {
            out += fs.shortDayNames[dayOfWeek - 1];
            i = at + 3;
          } else {
            out += starter;
          }
          break;
        }
        case 'C': {
          getCount();
          append(fs.shortDateFormat, level + 1);
          if (time.hour != 0 || time.minute != 0 || time.second != 0) {
            out += ' ';
            append(fs.longTimeFormat, level + 1);
          }
          break;
        }
        case '/':
          if (fs.dateSeparator != 0) out += fs.dateSeparator;
          break;
        case ':':
          if (fs.timeSeparator != 0) out += fs.timeSeparator;
          break;
        case '\'':
        case '"': {
          const std::size_t start = i;
          while (i < f.size() && f[i] != starter) ++i;
          out += f.substr(start, i - start);
          if (i < f.size()) ++i;
          break;
        }
        default:
          out += starter;
          break;
      }
    }
  }
};

}  // namespace

std::string formatDateTime(std::string_view format, DateTime dt, const FormatSettings& fs) {
  Formatter f{fs, dt.date(), dt.time(), dt.dayOfWeek(), {}};
  if (format.empty()) f.append("C", 0);
  else f.append(format, 0);
  return f.out;
}

std::string formatDateTime(std::string_view format, DateTime dt) {
  return formatDateTime(format, dt, formatSettings());
}

std::string dateToStr(DateTime dt) { return formatDateTime(formatSettings().shortDateFormat, dt); }
std::string timeToStr(DateTime dt) { return formatDateTime(formatSettings().longTimeFormat, dt); }
std::string dateTimeToStr(DateTime dt) { return formatDateTime("c", dt); }
std::string dateTimeText(DateTime dt) { return dateToStr(dt) + " " + timeToStr(dt); }
std::string nowText() { return dateTimeText(now()); }

}  // namespace sys
