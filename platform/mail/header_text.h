// Header text helpers shared by the message object and the header value
// lookup: RFC 2047 decoding, address lists, building From/To/Subject header
// lines, and the clean-up that keeps a set value on one header line.
// Internal to platform/mail; GMime does the MIME work behind these functions.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mail/address.h"

namespace mail::detail {

// True when `line` begins with `nameWithColon` ("Subject:"), case ignored.
bool startsWithName(std::string_view line, std::string_view nameWithColon);
// True for a folded continuation line (begins with a blank or a tab).
bool isContinuation(std::string_view line);
// Index range [first, end) of the first header entry called `name` (without
// colon) and its continuation lines; first == end == lines.size() when absent.
struct EntryRange {
  std::size_t first;
  std::size_t end;
};
EntryRange findEntry(const std::vector<std::string>& lines, std::string_view name,
                     std::size_t from = 0);
// The entry's value with line breaks removed (RFC 5322 unfolding), trimmed.
std::string unfoldedValue(const std::vector<std::string>& lines, std::string_view name);

// Blanks and control characters trimmed at both ends (everything <= 0x20).
std::string trimBlanks(std::string_view s);
// Replaces every run of CR/LF, and every other control character except the
// tab, with one blank, so the text can never start a new header line.
std::string singleLine(std::string_view s);
// At most `maxChars` characters of UTF-8 text, never splitting a character.
std::string cutUtf8(const std::string& s, std::size_t maxChars);
// Makes arbitrary bytes valid UTF-8 (invalid sequences read as Latin-1).
std::string toValidUtf8(std::string_view bytes);

// Decodes RFC 2047 encoded words; 8-bit bytes outside them are read with the
// usual fallback charsets. `decodedWords` tells whether an encoded word was
// actually decoded.
std::string decodeHeaderText(const std::string& raw, bool* decodedWords = nullptr);

// Mailboxes of an address header value (groups are flattened), names decoded.
MailAddressList parseAddressList(const std::string& value);

// Complete header lines (folded, encoded as needed) for an address header or
// the Subject; `name` is "From", "To", ...
std::vector<std::string> addressHeaderLines(const char* name, const MailAddressList& list);
std::vector<std::string> subjectHeaderLines(const std::string& subject);

// "Name:" + raw value as GMime keeps it, split into lines without breaks.
std::vector<std::string> splitRawHeader(const char* rawName, const char* rawValue);

}  // namespace mail::detail
