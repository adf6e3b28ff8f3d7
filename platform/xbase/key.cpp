#include "platform/xbase/key.h"

#include <cstring>

namespace xbase {

std::string characterKey(std::string_view storedBytes, int keyLength) {
  if (keyLength <= 0) return {};
  std::string key(storedBytes.substr(0, static_cast<size_t>(keyLength)));
  key.resize(static_cast<size_t>(keyLength), ' ');
  return key;
}

std::string numericKey(double value) {
  if (value == 0.0) value = 0.0;  // -0.0 sorts with +0.0
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  if (bits & 0x8000000000000000ull)
    bits = ~bits;  // negative: larger magnitude must sort lower
  else
    bits |= 0x8000000000000000ull;
  std::string key(8, '\0');
  for (int i = 0; i < 8; ++i) key[static_cast<size_t>(i)] = static_cast<char>(bits >> (56 - 8 * i));
  return key;
}

long julianDay(int year, int month, int day) {
  const int a = (14 - month) / 12;
  const long y = static_cast<long>(year) + 4800 - a;
  const long m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

std::string dateKey(int year, int month, int day) {
  if (year == 0) return numericKey(0.0);
  return numericKey(static_cast<double>(julianDay(year, month, day)));
}

}  // namespace xbase
