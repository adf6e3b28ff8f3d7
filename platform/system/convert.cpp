#include "platform/system/convert.h"

#include <cstdint>

#include "platform/system/error.h"

namespace sys {

bool tryStrToInt(std::string_view s, int& out) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  }
  if (i >= s.size()) return false;
  std::uint64_t v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * (hex ? 16 : 10) + static_cast<std::uint64_t>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  if (hex) {
    // Hexadecimal covers the full 32 bits: $FFFFFFFF is -1.
    std::uint32_t bits = static_cast<std::uint32_t>(v);
    if (negative) bits = 0u - bits;
    out = static_cast<std::int32_t>(bits);
    return true;
  }
  if (negative ? v > 2147483648ull : v > 2147483647ull) return false;
  out = negative ? static_cast<int>(-static_cast<std::int64_t>(v)) : static_cast<int>(v);
  return true;
}

int strToInt(std::string_view s) {
  int v = 0;
  if (!tryStrToInt(s, v)) throw Error("'" + std::string(s) + "' is not a valid integer value");
  return v;
}

int strToIntDef(std::string_view s, int fallback) {
  int v = 0;
  return tryStrToInt(s, v) ? v : fallback;
}

}  // namespace sys
