// The header value lookup: the value of a named header in a message's raw
// header lines, as every part of the processor reads headers.
//  1. ":" is appended to the name unless it already ends with one.
//  2. The first line that begins with that name (case ignored) is taken;
//     without one the value is empty.
//  3. The value is the rest of that line after the colon, trimmed.
//  4. Following lines are appended, trimmed, one blank between, until a line
//     that contains ":" and does not begin with a blank or a tab. Lines that
//     are empty once trimmed add nothing (no doubled or leading blanks).
//  5. Except for "Content-Type" and "X-UIDL", which stay raw and whole, the
//     RFC 2047 encoded words are decoded (any charset, B or Q) and the result
//     is cut to 255 characters; when at least one word was decoded, every
//     underscore of the value becomes a blank.
// Decoding comes before the cut: cutting the raw text first would leave a
// split, undecodable encoded word at the end of a long subject, and a value
// far shorter than 255 characters. The cut counts UTF-8 characters and never
// splits one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mail {

inline constexpr std::size_t kHeaderValueMaxChars = 255;

std::string headerValue(const std::vector<std::string>& headerLines, std::string_view name);

}  // namespace mail
