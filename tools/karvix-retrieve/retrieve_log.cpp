#include "tools/karvix-retrieve/retrieve_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/system/error.h"
#include "platform/system/format_datetime.h"

namespace retrieve {

RetrieveLog::RetrieveLog(std::string path, std::ostream* echo) : path_(std::move(path)), echo_(echo) {}

void RetrieveLog::line(const std::string& text) {
  std::string line = sys::nowText() + " -- " + text;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  line += '\n';
  if (echo_) *echo_ << line << std::flush;
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) throw sys::Error("Unable to write the log file " + path_ + ": " + std::strerror(errno));
  const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  const int err = errno;
  ::close(fd);
  if (!ok) throw sys::Error("Unable to write the log file " + path_ + ": " + std::strerror(err));
}

}  // namespace retrieve
