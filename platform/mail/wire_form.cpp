#include "platform/mail/wire_form.h"

#include <vector>

#include "platform/mail/header_text.h"

namespace mail::detail {

std::string wireForm(const std::string& bytes, const std::string& dateValue,
                     const std::string& messageId) {
  // Header lines up to the blank line, each without its line end.
  std::vector<std::string> header;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t nl = bytes.find('\n', pos);
    std::size_t stop = nl == std::string::npos ? bytes.size() : nl;
    std::string line = bytes.substr(pos, stop - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos = nl == std::string::npos ? bytes.size() : nl + 1;
    if (line.empty()) break;
    for (char& c : line)
      if (c == '\r') c = ' ';
    header.push_back(std::move(line));
  }

  bool hasDate = false, hasId = false;
  for (const std::string& line : header) {
    hasDate = hasDate || startsWithName(line, "Date:");
    hasId = hasId || startsWithName(line, "Message-ID:");
  }

  std::string out;
  out.reserve(bytes.size() + bytes.size() / 32 + 128);
  if (!hasDate && !dateValue.empty()) out += "Date: " + singleLine(dateValue) + "\r\n";
  if (!hasId && !messageId.empty()) out += "Message-ID: " + singleLine(messageId) + "\r\n";
  for (const std::string& line : header) out += line + "\r\n";
  out += "\r\n";

  // The body with every kind of line end made CRLF.
  for (std::size_t i = pos; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  if (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0) out += "\r\n";
  return out;
}

}  // namespace mail::detail
