#include "platform/system/text.h"

namespace sys {
namespace {

// Index just after the character that starts at i.
std::size_t nextChar(std::string_view s, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  std::size_t len = 1;
  if (c >= 0xC2 && c <= 0xDF) len = 2;
  else if (c >= 0xE0 && c <= 0xEF) len = 3;
  else if (c >= 0xF0 && c <= 0xF4) len = 4;
  if (len == 1 || i + len > s.size()) return i + 1;
  for (std::size_t k = 1; k < len; ++k) {
    const unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) return i + 1;
  }
  // Reject overlong and out-of-range forms at the second byte.
  const unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
  if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
      (c == 0xF4 && c1 > 0x8F))
    return i + 1;
  return i + len;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::size_t utf8Length(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); i = nextChar(s, i)) ++n;
  return n;
}

std::string utf8Left(std::string_view s, std::size_t n) {
  std::size_t i = 0;
  for (std::size_t k = 0; k < n && i < s.size(); ++k) i = nextChar(s, i);
  return std::string(s.substr(0, i));
}

std::string upperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

std::string lowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

bool equalsIgnoreCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::string_view trimView(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string trim(std::string_view s) { return std::string(trimView(s)); }

}  // namespace sys
