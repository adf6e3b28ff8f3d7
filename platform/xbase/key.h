// Index keys: the bytes a tag stores for a column value, so that an unsigned
// byte comparison orders keys like their values.
// - Character: the stored column bytes, blank-padded or cut to the key length.
// - Date: the Julian day number as a double, made byte-comparable (the empty
//   date is 0.0 and sorts first); 8 bytes.
// - Numeric: the value as a byte-comparable double; 8 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xbase {

enum class KeyType : uint8_t { Character, Numeric, Date };

std::string characterKey(std::string_view storedBytes, int keyLength);
std::string numericKey(double value);
// year 0 = the empty date.
std::string dateKey(int year, int month, int day);
long julianDay(int year, int month, int day);

}  // namespace xbase
