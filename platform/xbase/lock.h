// Byte-range locks and share modes of the table files, in the FoxPro scheme.
//
// Contract:
// - Byte locks are open-file-description locks (F_OFD_SETLK/F_OFD_SETLKW):
//   they belong to one open() of a file, so two cursors of one process
//   exclude each other like two programs, and closing another descriptor of
//   the same file does not drop them. They conflict with classic fcntl locks
//   of other programs on the same bytes.
// - Lock offsets: with the structural compound index open, the header is
//   byte 0x7FFFFFFE and record n is 0x7FFFFFFE - n; without one, the older
//   scheme based at 0x40000000. The memo allocation lock is byte 0 of the
//   memo file.
// - Share modes (shared or exclusive open) are flock() locks, never waited
//   for: a refusal means another program holds the file.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace xbase {

// Tries (wait = false) or waits for a byte-range lock. Returns false when
// another holder refuses it; raises sys::Error on any other failure.
bool lockBytes(int fd, off_t start, off_t length, bool exclusive, bool wait);
// Tries repeatedly for up to `timeoutMs` milliseconds.
bool lockBytesFor(int fd, off_t start, off_t length, bool exclusive, int timeoutMs);
void unlockBytes(int fd, off_t start, off_t length);

// How long a writer waits for a record that another program has locked
// before it reports the record as locked (default 2000 ms).
void setRecordLockTimeout(int milliseconds);
int recordLockTimeout();

// Share mode of an open file; false when another open holds a conflicting one.
bool shareLock(int fd, bool exclusive);

// The table's lock bytes, chosen the way FoxPro chooses them.
struct LockScheme {
  bool structuralIndex = true;
  uint32_t headerLength = 0;
  uint32_t recordLength = 0;

  off_t headerOffset() const;
  off_t recordOffset(uint32_t recno) const;
  off_t fileOffset() const;
  off_t fileLength() const;
  // The table data (through record `recno`) must end at or before this
  // offset, so that no record lies on a lock byte.
  off_t dataLimit(uint32_t recno) const;
};

constexpr off_t kMemoLockOffset = 0;

// Holds one byte-range lock until destroyed (or released).
class ByteLock {
 public:
  ByteLock() = default;
  ByteLock(int fd, off_t start, off_t length) : fd_(fd), start_(start), length_(length) {}
  ~ByteLock() { release(); }
  ByteLock(ByteLock&& other) noexcept { *this = std::move(other); }
  ByteLock& operator=(ByteLock&& other) noexcept;
  ByteLock(const ByteLock&) = delete;
  ByteLock& operator=(const ByteLock&) = delete;
  void release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  off_t start_ = 0;
  off_t length_ = 0;
};

}  // namespace xbase
