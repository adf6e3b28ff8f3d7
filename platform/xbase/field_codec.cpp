#include "platform/xbase/field_codec.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/system/error.h"

namespace xbase {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimBoth(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\0')) s.remove_prefix(1);
  return trimRight(s);
}

// Parses [sign] digits [. digits]; false for anything else.
bool parseDecimal(std::string_view s, double& out) {
  s = trimBoth(s);
  if (s.empty()) { out = 0; return true; }
  size_t i = 0;
  if (s[0] == '-' || s[0] == '+') ++i;
  size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) { ++i; ++digits; }
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) { ++i; ++digits; }
  }
  if (digits == 0 || i != s.size()) return false;
  out = std::strtod(std::string(s).c_str(), nullptr);
  return true;
}

}  // namespace

std::string_view cutUtf8(std::string_view s, size_t width) {
  if (s.size() <= width) return s;
  size_t cut = width;
  // Back off over continuation bytes (10xxxxxx) so the cut lands on the
  // first byte of a character, which is then left out whole.
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  return s.substr(0, cut);
}

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

bool validDate(int y, int m, int d) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= days[m - 1] + ((m == 2 && leap) ? 1 : 0);
}

[[noreturn]] void FieldCodec::fail(const std::string& what) const {
  throw sys::Error("Field '" + f_.def.name + "' of table '" + table_ + "': " + what);
}

std::string FieldCodec::text(const char* rec) const {
  const std::string_view r = raw(rec);
  switch (f_.def.type) {
    case FieldType::Numeric:
      return std::string(trimBoth(r));
    case FieldType::Logical: {
      const char c = r[0];
      if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return "T";
      if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return "F";
      return "";
    }
    case FieldType::Date: {
      const Ymd d = date(rec);
      if (d.year == 0) return "";
      return std::string(r);
    }
    default:
      return std::string(trimRight(r));
  }
}

double FieldCodec::number(const char* rec) const {
  double v = 0;
  const std::string_view r = raw(rec);
  if (f_.def.type == FieldType::Logical) return logical(rec) ? 1 : 0;
  if (f_.def.type == FieldType::Date || f_.def.type == FieldType::Memo) fail("is not a number column");
  if (!parseDecimal(r, v)) fail("'" + std::string(trimBoth(r)) + "' is not a valid number");
  return v;
}

long FieldCodec::integer(const char* rec) const {
  const double v = number(rec);
  if (!(std::fabs(v) < 9.2e18)) fail("the value is out of range");
  return long(v);
}

bool FieldCodec::logical(const char* rec) const {
  if (f_.def.type != FieldType::Logical) fail("is not a logical column");
  const char c = raw(rec)[0];
  return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

Ymd FieldCodec::date(const char* rec) const {
  if (f_.def.type != FieldType::Date) fail("is not a date column");
  const std::string_view r = raw(rec);
  if (trimRight(r).empty()) return {};
  Ymd d;
  bool ok = r.size() == 8;
  for (size_t i = 0; ok && i < 8; ++i) ok = isDigit(r[i]);
  if (ok) {
    d.year = std::atoi(std::string(r.substr(0, 4)).c_str());
    d.month = std::atoi(std::string(r.substr(4, 2)).c_str());
    d.day = std::atoi(std::string(r.substr(6, 2)).c_str());
    ok = validDate(d.year, d.month, d.day);
  }
  if (!ok) fail("'" + std::string(r) + "' is not a valid date");
  return d;
}

uint32_t FieldCodec::memoBlock(const char* rec) const {
  const std::string_view r = raw(rec);
  if (f_.def.length == 4) {
    const auto* p = reinterpret_cast<const unsigned char*>(r.data());
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  uint64_t v = 0;
  for (char c : r) {
    if (isDigit(c)) {
      v = v * 10 + uint64_t(c - '0');
      if (v > 0xFFFFFFFFull) fail("holds a memo pointer out of range");
    } else if (c != ' ' && c != '\0') {
      fail("holds a damaged memo pointer '" + std::string(trimBoth(r)) + "'");
    }
  }
  return uint32_t(v);
}

void FieldCodec::put(char* rec, std::string_view bytes, bool rightAlign) const {
  const size_t w = size_t(f_.def.length);
  char* p = rec + f_.offset;
  std::memset(p, ' ', w);
  if (rightAlign)
    std::memcpy(p + (w - bytes.size()), bytes.data(), bytes.size());
  else
    std::memcpy(p, bytes.data(), bytes.size());
}

void FieldCodec::setText(char* rec, std::string_view value) const {
  switch (f_.def.type) {
    case FieldType::Character:
      put(rec, cutUtf8(value, size_t(f_.def.length)), false);
      return;
    case FieldType::Numeric: {
      double v = 0;
      if (trimBoth(value).empty()) { put(rec, "", false); return; }
      if (!parseDecimal(value, v)) fail("'" + std::string(value) + "' is not a valid number");
      setNumber(rec, v);
      return;
    }
    case FieldType::Logical: {
      const std::string_view v = trimBoth(value);
      if (v.empty()) { put(rec, "", false); return; }
      const char c = v[0];
      if (c == 'T' || c == 't' || c == 'Y' || c == 'y' || v == "1") { put(rec, "T", false); return; }
      if (c == 'F' || c == 'f' || c == 'N' || c == 'n' || v == "0") { put(rec, "F", false); return; }
      fail("'" + std::string(value) + "' is not a valid logical value");
    }
    case FieldType::Date: {
      const std::string_view v = trimBoth(value);
      if (v.empty()) { setDate(rec, {}); return; }
      std::string digits;
      for (char c : v)
        if (c != '-') digits.push_back(c);
      bool ok = digits.size() == 8 && (v.size() == 8 || (v.size() == 10 && v[4] == '-' && v[7] == '-'));
      for (char c : digits) ok = ok && isDigit(c);
      Ymd d;
      if (ok) {
        d = {std::atoi(digits.substr(0, 4).c_str()), std::atoi(digits.substr(4, 2).c_str()),
             std::atoi(digits.substr(6, 2).c_str())};
        ok = validDate(d.year, d.month, d.day);
      }
      if (!ok) throw sys::Error("'" + std::string(value) + "' is not a valid date");
      setDate(rec, d);
      return;
    }
    default:
      fail("cannot be written as text");
  }
}

void FieldCodec::setNumber(char* rec, double value) const {
  if (f_.def.type == FieldType::Character) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    setText(rec, buf);
    return;
  }
  if (f_.def.type != FieldType::Numeric) fail("is not a number column");
  if (!std::isfinite(value)) fail("cannot hold this value");
  char buf[400];
  const int n = std::snprintf(buf, sizeof buf, "%.*f", f_.def.decimals, value);
  if (n < 0 || n > f_.def.length)
    fail("the value " + std::string(buf) + " does not fit the width " + std::to_string(f_.def.length));
  put(rec, std::string_view(buf, size_t(n)), true);
}

void FieldCodec::setInteger(char* rec, long value) const {
  if (f_.def.type == FieldType::Character) {
    setText(rec, std::to_string(value));
    return;
  }
  if (f_.def.type != FieldType::Numeric) fail("is not a number column");
  std::string s = std::to_string(value);
  if (f_.def.decimals > 0) s += "." + std::string(size_t(f_.def.decimals), '0');
  if (s.size() > size_t(f_.def.length))
    fail("the value " + s + " does not fit the width " + std::to_string(f_.def.length));
  put(rec, s, true);
}

void FieldCodec::setLogical(char* rec, bool value) const {
  if (f_.def.type != FieldType::Logical) fail("is not a logical column");
  put(rec, value ? "T" : "F", false);
}

void FieldCodec::setDate(char* rec, Ymd d) const {
  if (f_.def.type != FieldType::Date) fail("is not a date column");
  if (d.year == 0) { put(rec, "", false); return; }
  if (!validDate(d.year, d.month, d.day))
    throw sys::Error("'" + std::to_string(d.year) + "-" + std::to_string(d.month) + "-" +
                     std::to_string(d.day) + "' is not a valid date");
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
  put(rec, buf, false);
}

void FieldCodec::setMemoBlock(char* rec, uint32_t block) const {
  if (f_.def.length == 4) {
    auto* p = reinterpret_cast<unsigned char*>(rec + f_.offset);
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(block >> (8 * i));
    return;
  }
  put(rec, block == 0 ? std::string() : std::to_string(block), true);
}

}  // namespace xbase
