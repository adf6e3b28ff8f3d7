#include "platform/system/format_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace sys {
namespace {

bool isCLocaleName(const std::string& name) {
  return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// The locale name the environment selects for dates and times.
std::string environmentTimeLocale() {
  for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return "C";
}

bool hasLetter(const std::string& s) {
  for (char c : s)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  return false;
}

// Translates a strftime pattern into the Pascal pattern language. The first
// punctuation character between date fields becomes the date separator (and
// "/" in the pattern), likewise ":" style characters between time fields.
struct Translator {
  std::string ampmPattern;
  char* dateSep;
  char* timeSep;
  bool inTime = false;
  std::string out;
  std::string literal;

  void flushLiteral() {
    if (literal.empty()) return;
    if (hasLetter(literal)) out += "\"" + literal + "\"";
    else out += literal;
    literal.clear();
  }
  void field(const char* p, bool time) {
    flushLiteral();
    out += p;
    inTime = time;
  }
  void separator(char c) {
    if (out.empty()) {
      literal += c;
      return;
    }
    char*& sep = inTime ? timeSep : dateSep;
    const bool isSepChar = c == '/' || c == '.' || c == '-' || c == ':';
    if (isSepChar && (*sep == 0 || *sep == c)) {
      *sep = c;
      flushLiteral();
      out += inTime ? ':' : '/';
      return;
    }
    literal += c;
  }
  void run(const std::string& f, int depth) {
    for (std::size_t i = 0; i < f.size(); ++i) {
      char c = f[i];
      if (c != '%' || i + 1 >= f.size()) {
        separator(c);
        continue;
      }
      c = f[++i];
      bool noPad = false;
      while ((c == '-' || c == '_' || c == '0' || c == 'E' || c == 'O') && i + 1 < f.size()) {
        if (c == '-') noPad = true;
        c = f[++i];
      }
      switch (c) {
        case 'd': field(noPad ? "d" : "dd", false); break;
        case 'e': field("d", false); break;
        case 'm': field(noPad ? "m" : "mm", false); break;
        case 'y': field("yy", false); break;
        case 'Y': field("yyyy", false); break;
        case 'b': case 'h': field("mmm", false); break;
        case 'B': field("mmmm", false); break;
        case 'a': field("ddd", false); break;
        case 'A': field("dddd", false); break;
        case 'H': case 'I': field(noPad ? "h" : "hh", true); break;
        case 'k': case 'l': field("h", true); break;
        case 'M': field(noPad ? "n" : "nn", true); break;
        case 'S': field(noPad ? "s" : "ss", true); break;
        case 'p': case 'P': field("ampm", true); break;
        case 'n': case 't': separator(' '); break;
        case '%': separator('%'); break;
        case 'T': if (depth < 2) run("%H:%M:%S", depth + 1); break;
        case 'R': if (depth < 2) run("%H:%M", depth + 1); break;
        case 'D': if (depth < 2) run("%m/%d/%y", depth + 1); break;
        case 'F': if (depth < 2) run("%Y-%m-%d", depth + 1); break;
        case 'r': if (depth < 2) run(ampmPattern, depth + 1); break;
        default: break;
      }
    }
  }
  std::string finish() {
    flushLiteral();
    return out;
  }
};

std::string translate(locale_t loc, const char* pattern, char* dateSep, char* timeSep) {
  const char* ampm = nl_langinfo_l(T_FMT_AMPM, loc);
  Translator t{ampm && *ampm ? ampm : "%I:%M:%S %p", dateSep, timeSep};
  t.run(pattern ? pattern : "", 0);
  return t.finish();
}

std::mutex& settingsMutex() {
  static std::mutex m;
  return m;
}
std::unique_ptr<FormatSettings>& current() {
  static std::unique_ptr<FormatSettings> s;
  return s;
}

}  // namespace

FormatSettings usFormatSettings() { return FormatSettings{}; }

std::string patternFromStrftime(const std::string& pattern, char* dateSeparator, char* timeSeparator,
                                const std::string& ampmPattern) {
  char d = 0, t = 0;
  Translator tr{ampmPattern, dateSeparator ? dateSeparator : &d, timeSeparator ? timeSeparator : &t};
  tr.run(pattern, 0);
  return tr.finish();
}

FormatSettings localeFormatSettings(const std::string& localeName) {
  const std::string name = localeName.empty() ? environmentTimeLocale() : localeName;
  if (isCLocaleName(name)) return usFormatSettings();
  locale_t loc = newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return usFormatSettings();

  FormatSettings fs;
  char dateSep = 0, timeSep = 0;
  const std::string shortDate = translate(loc, nl_langinfo_l(D_FMT, loc), &dateSep, &timeSep);
  char timeSep2 = 0, unused = 0;
  const std::string longTime = translate(loc, nl_langinfo_l(T_FMT, loc), &unused, &timeSep2);
  if (!shortDate.empty()) fs.shortDateFormat = shortDate;
  if (!longTime.empty()) fs.longTimeFormat = longTime;
  fs.dateSeparator = dateSep ? dateSep : '/';
  fs.timeSeparator = timeSep2 ? timeSep2 : ':';
  // The short time: the long one without its seconds.
  std::string shortTime = fs.longTimeFormat;
  for (const char* s : {":ss", ":s"}) {
    const auto pos = shortTime.find(s);
    if (pos != std::string::npos) {
      shortTime.erase(pos, std::string(s).size());
      break;
    }
  }
  fs.shortTimeFormat = shortTime;
  const char* am = nl_langinfo_l(AM_STR, loc);
  const char* pm = nl_langinfo_l(PM_STR, loc);
  if (am && *am) fs.timeAMString = am;
  if (pm && *pm) fs.timePMString = pm;
  for (int i = 0; i < 12; ++i) {
    fs.shortMonthNames[i] = nl_langinfo_l(static_cast<nl_item>(ABMON_1 + i), loc);
    fs.longMonthNames[i] = nl_langinfo_l(static_cast<nl_item>(MON_1 + i), loc);
  }
  for (int i = 0; i < 7; ++i) {
    fs.shortDayNames[i] = nl_langinfo_l(static_cast<nl_item>(ABDAY_1 + i), loc);
    fs.longDayNames[i] = nl_langinfo_l(static_cast<nl_item>(DAY_1 + i), loc);
  }
  freelocale(loc);
  return fs;
}

const FormatSettings& formatSettings() {
  std::lock_guard<std::mutex> lock(settingsMutex());
  auto& s = current();
  if (!s) s = std::make_unique<FormatSettings>(localeFormatSettings());
  return *s;
}

void setFormatSettings(const FormatSettings& settings) {
  std::lock_guard<std::mutex> lock(settingsMutex());
  // Replaced in place, so references handed out earlier stay valid.
  auto& s = current();
  if (s) *s = settings;
  else s = std::make_unique<FormatSettings>(settings);
}

}  // namespace sys
