// The retriever's log file: "karvix-retrieve.log" in the program folder (the
// folder of the program file, or $KARVIX_PROGRAM_DIR), beside the processor's
// "agentrun.log". Each line is the date and time in the system's short date
// and long time format, " -- ", then the text. Lines are appended, oldest
// first, one write each, so a line written is never lost to a later crash.
// A log that cannot be written throws sys::Error (nothing fails silently);
// the lines also go to `echo` when one is given.
#pragma once

#include <ostream>
#include <string>

namespace retrieve {

inline constexpr const char* kLogFileName = "karvix-retrieve.log";

class RetrieveLog {
 public:
  explicit RetrieveLog(std::string path, std::ostream* echo = nullptr);
  void line(const std::string& text);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::ostream* echo_;
};

}  // namespace retrieve
