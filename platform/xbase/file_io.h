// Positioned reads and writes on table files, and an owning file descriptor.
//
// Contract: readAt returns the bytes it could read (fewer only at the end of
// the file); writeAt writes everything or raises sys::Error naming the file.
// Errors carry the system's reason ("No space left on device").
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace xbase {

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) { reset(); fd_ = other.release(); }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() { int f = fd_; fd_ = -1; return f; }
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

// Opens `path` (O_CLOEXEC added); raises naming `what` on failure.
Fd openFile(const std::string& path, int flags, const std::string& what, mode_t mode = 0644);

size_t readAt(int fd, void* buf, size_t n, off_t offset, const std::string& fileName);
void writeAt(int fd, const void* buf, size_t n, off_t offset, const std::string& fileName);
off_t fileSize(int fd, const std::string& fileName);
void truncateFile(int fd, off_t size, const std::string& fileName);
void syncFile(int fd, const std::string& fileName);

std::string systemReason(int err);

}  // namespace xbase
