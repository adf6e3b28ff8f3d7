#include "platform/xbase/lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <time.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/system/error.h"

namespace xbase {

namespace {

constexpr off_t kVfpBase = 0x7FFFFFFE;
constexpr off_t kVfpFileLength = 0x07FFFFFF;
constexpr off_t kOldBase = 0x40000000;
constexpr off_t kOldFileLength = 0x3FFFFFFD;

int setLock(int fd, short type, off_t start, off_t length, bool wait) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = length;
  fl.l_pid = 0;
  int r;
  do {
    r = fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl);
  } while (r == -1 && errno == EINTR);
  return r == 0 ? 0 : errno;
}

}  // namespace

bool lockBytes(int fd, off_t start, off_t length, bool exclusive, bool wait) {
  const int err = setLock(fd, exclusive ? F_WRLCK : F_RDLCK, start, length, wait);
  if (err == 0) return true;
  if (err == EAGAIN || err == EACCES) return false;
  throw sys::Error(std::string("Cannot lock a table file: ") + std::strerror(err));
}

bool lockBytesFor(int fd, off_t start, off_t length, bool exclusive, int timeoutMs) {
  // Waiting without a bound could hang behind a program that keeps a record
  // locked; a short poll gives writers that lock briefly time to finish.
  struct timespec step {0, 200000};  // 0.2 ms, doubled up to 20 ms
  long waitedNs = 0;
  for (;;) {
    if (lockBytes(fd, start, length, exclusive, false)) return true;
    if (waitedNs >= long(timeoutMs) * 1000000L) return false;
    nanosleep(&step, nullptr);
    waitedNs += step.tv_nsec;
    if (step.tv_nsec < 20000000) step.tv_nsec *= 2;
  }
}

namespace {
int gRecordLockTimeoutMs = 2000;
}

void setRecordLockTimeout(int milliseconds) { gRecordLockTimeoutMs = milliseconds < 0 ? 0 : milliseconds; }
int recordLockTimeout() { return gRecordLockTimeoutMs; }

void unlockBytes(int fd, off_t start, off_t length) {
  setLock(fd, F_UNLCK, start, length, false);
}

bool shareLock(int fd, bool exclusive) {
  int r;
  do {
    r = flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
  } while (r == -1 && errno == EINTR);
  if (r == 0) return true;
  if (errno == EWOULDBLOCK) return false;
  throw sys::Error(std::string("Cannot lock a table file: ") + std::strerror(errno));
}

off_t LockScheme::headerOffset() const { return structuralIndex ? kVfpBase : kOldBase; }

off_t LockScheme::recordOffset(uint32_t recno) const {
  if (structuralIndex) return kVfpBase - off_t(recno);
  return kOldBase + off_t(headerLength) + off_t(recno - 1) * off_t(recordLength);
}

off_t LockScheme::fileOffset() const {
  return structuralIndex ? kVfpBase - kVfpFileLength : kOldBase + 1;
}

off_t LockScheme::fileLength() const { return structuralIndex ? kVfpFileLength : kOldFileLength; }

off_t LockScheme::dataLimit(uint32_t recno) const {
  return structuralIndex ? kVfpBase - off_t(recno) : kOldBase;
}

ByteLock& ByteLock::operator=(ByteLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
    start_ = other.start_;
    length_ = other.length_;
  }
  return *this;
}

void ByteLock::release() {
  if (fd_ >= 0) unlockBytes(fd_, start_, length_);
  fd_ = -1;
}

}  // namespace xbase
