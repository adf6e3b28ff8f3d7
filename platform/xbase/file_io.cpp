#include "platform/xbase/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/system/error.h"

namespace xbase {

void Fd::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

std::string systemReason(int err) { return std::strerror(err); }

Fd openFile(const std::string& path, int flags, const std::string& what, mode_t mode) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw sys::Error("Cannot open " + what + " '" + path + "': " + systemReason(errno));
  return Fd(fd);
}

size_t readAt(int fd, void* buf, size_t n, off_t offset, const std::string& fileName) {
  size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd, static_cast<char*>(buf) + done, n - done, offset + off_t(done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw sys::Error("Cannot read '" + fileName + "': " + systemReason(errno));
    }
    if (r == 0) break;
    done += size_t(r);
  }
  return done;
}

void writeAt(int fd, const void* buf, size_t n, off_t offset, const std::string& fileName) {
  size_t done = 0;
  while (done < n) {
    const ssize_t r =
        ::pwrite(fd, static_cast<const char*>(buf) + done, n - done, offset + off_t(done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw sys::Error("Cannot write '" + fileName + "': " + systemReason(errno));
    }
    if (r == 0) throw sys::Error("Cannot write '" + fileName + "': no progress");
    done += size_t(r);
  }
}

off_t fileSize(int fd, const std::string& fileName) {
  // lseek rather than fstat: asking for the timestamps makes the next write
  // update them at fine granularity, which costs every append an inode write.
  const off_t size = ::lseek(fd, 0, SEEK_END);
  if (size < 0) throw sys::Error("Cannot read '" + fileName + "': " + systemReason(errno));
  return size;
}

void truncateFile(int fd, off_t size, const std::string& fileName) {
  int r;
  do {
    r = ::ftruncate(fd, size);
  } while (r != 0 && errno == EINTR);
  if (r != 0) throw sys::Error("Cannot write '" + fileName + "': " + systemReason(errno));
}

void syncFile(int fd, const std::string& fileName) {
  if (::fsync(fd) != 0) throw sys::Error("Cannot write '" + fileName + "': " + systemReason(errno));
}

}  // namespace xbase
