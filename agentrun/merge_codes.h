// Merge codes of auto-reply templates: "<<COMMAND~PARAMETER>>" placeholders
// replaced with text from the message answered, the account and the clock.
//
// Only the first "<<" and the first ">>" of a line are looked at. Body lines
// evaluate every command; header lines evaluate only REPLYFIELD, and a
// REPLYFIELD in a "To:" line chooses the reply's recipient. A header line is
// rewritten only once a recipient has been chosen. Every code and its result
// are logged. Values put into header lines never carry line breaks, so a
// merged value cannot add header lines to the sent message.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace agentrun {

// The message answered and the account answering it.
struct MergeSource {
  std::function<std::string(std::string_view)> headerValue;  // the header value lookup
  std::string fromName;
  std::string fromAddress;
  const std::vector<std::string>& bodyLines;
  std::string accountName;
  std::string accountAddress;
};

// The clock and the log, as the processor provides them.
struct MergeServices {
  std::function<void(const std::string&)> log;            // a level-0 log line
  std::function<std::string()> dateText;                  // now, short date format
  std::function<std::string()> dateTimeText;              // short date, blank, long time
  std::function<std::string(const std::string&)> formatNow;  // FormatDateTime(format, now)
};

inline constexpr const char* kNoValue = "<no value provided>";
inline constexpr const char* kVersionText = "Ostrak Karvix Mail Management System Version: 0.999";

// Replaces the codes in the outgoing message's body and header lines in place
// and returns the recipient chosen by a "To:" header line (empty: none).
std::string ProccessMergeCodes(std::vector<std::string>& bodyLines,
                               std::vector<std::string>& headerLines, const MergeSource& source,
                               const MergeServices& services);

}  // namespace agentrun
