// Small text helpers shared by the modules. Texts are UTF-8; "characters" are
// Unicode code points, so a cut never splits a multi-byte sequence (a byte
// that is not valid UTF-8 counts as one character of its own).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sys {

// Number of characters in a UTF-8 text.
std::size_t utf8Length(std::string_view s);
// The first n characters of s (all of s when it is shorter).
std::string utf8Left(std::string_view s, std::size_t n);
// Upper-/lower-casing that changes only the letters a to z / A to Z.
std::string upperAscii(std::string_view s);
std::string lowerAscii(std::string_view s);
// Equality ignoring the case of the letters a to z.
bool equalsIgnoreCaseAscii(std::string_view a, std::string_view b);
// s without leading and trailing blanks, tabs and line-break characters.
std::string_view trimView(std::string_view s);
std::string trim(std::string_view s);

}  // namespace sys
