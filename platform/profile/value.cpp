#include "platform/profile/value.h"

#include <cstdint>

#include "platform/system/text.h"

namespace profile {

std::string cookValue(std::string_view raw) {
  std::string_view v = raw;
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return sys::utf8Left(v, kMaxValueChars);
}

int parseInteger(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  unsigned base = 10;
  if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  std::uint32_t v = 0;  // wraps at 32 bits, as the Windows function does
  for (; i < s.size(); ++i) {
    const char c = s[i];
    unsigned d;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
    else break;
    v = v * base + d;
  }
  if (negative) v = 0u - v;
  return static_cast<std::int32_t>(v);
}

}  // namespace profile
