// Whole-number conversions of operator input, the way the classic runtime
// reads them: optional leading blanks, an optional sign, decimal digits, or
// hexadecimal after "$" or "0x"; nothing may follow, and the value must fit
// in 32 bits. Failure throws sys::Error "'<text>' is not a valid integer value".
#pragma once

#include <string>
#include <string_view>

namespace sys {

int strToInt(std::string_view text);
bool tryStrToInt(std::string_view text, int& out);
int strToIntDef(std::string_view text, int fallback);

}  // namespace sys
