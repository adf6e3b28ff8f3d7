// The project's one error type: an exception carrying the message text that
// the operator reads (in a log line, a message box or the status window).
// Conversions, the table engine and the file helpers raise it; each program's
// application object catches what escapes an event handler and hands it to
// its AppException.
#pragma once

#include <stdexcept>
#include <string>

namespace sys {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace sys
