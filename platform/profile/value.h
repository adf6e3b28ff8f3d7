// How a profile value is read, the way the Windows profile functions read it:
//  - text: the value after "=" with leading and trailing blanks and tabs
//    removed; when it is wrapped in a pair of double (or single) quotes they
//    are dropped; at most 1023 characters come back (the rest is cut, never
//    inside a UTF-8 character).
//  - whole number: a missing key or an empty value gives the default;
//    otherwise blanks are skipped, then an optional sign, then decimal digits
//    or hexadecimal digits after "0x"; reading stops at the first other
//    character, so "12abc" is 12 and "abc" is 0; the value wraps at 32 bits.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace profile {

inline constexpr std::size_t kMaxValueChars = 1023;

// The text the string reader returns for the raw text after "=".
std::string cookValue(std::string_view raw);
// The number the integer reader returns for a present value.
int parseInteger(std::string_view cooked);

}  // namespace profile
