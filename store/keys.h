// Keys made of time stamps, and the upper-casing used for stored keywords.
// A time-stamp key is the date and time formatted "yyyymmddhhmmss" (14 digits,
// 24-hour clock) followed by the first n characters of a related text (the
// whole text when it is shorter). Characters are counted, not bytes: a UTF-8
// character is never split. Two keys made in the same second from texts that
// agree in those characters are equal; callers that need unique keys handle
// that themselves.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/system/datetime.h"

namespace store {

std::string timeStampKey(sys::DateTime when, std::string_view text, std::size_t n);
// The same for the current moment (sys::now()).
std::string timeStampKey(std::string_view text, std::size_t n);

// Upper-casing of keywords stored as text: only the letters a to z change.
std::string upperCase(std::string_view text);

}  // namespace store
