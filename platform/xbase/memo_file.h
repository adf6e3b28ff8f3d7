// MemoFile: the FoxPro memo file (.fpt) that holds the text of memo columns.
//
// Contract:
// - Header (512 bytes): next free block at 0 and block size at 6, both
//   big-endian. Block b starts at b * blockSize; the blocks covering the
//   header are never memo pointers, so 0 means "no memo".
// - A memo is [type 1][length][bytes] (big-endian) starting on a block.
//   Reading checks that the pointer and length lie inside the file; damage
//   raises sys::Error "Memo file 'X.FPT' is damaged: ...".
// - Writing takes the allocation lock (byte 0, unless the file is held
//   exclusively), re-reads next-free under it, writes the memo, then the
//   header. A new value that fits the old blocks overwrites it in place.
//   Empty text takes no block. The memo is written before the record that
//   points at it, so a crash leaves at worst an unused block.
// - New files use 64-byte blocks and hold only the header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/xbase/file_io.h"

namespace xbase {

class MemoFile {
 public:
  static void writeNew(int fd, const std::string& fileName, uint32_t blockSize = 64);

  MemoFile(Fd fd, std::string path, std::string fileName, bool exclusive);

  int fd() const { return fd_.get(); }
  const std::string& path() const { return path_; }
  const std::string& fileName() const { return fileName_; }
  uint32_t blockSize() const { return blockSize_; }
  uint32_t firstBlock() const { return firstBlock_; }

  std::string read(uint32_t block);
  // Stores `text`, reusing `oldBlock` when it fits; returns the block (0 for
  // empty text).
  uint32_t write(std::string_view text, uint32_t oldBlock);
  // Empties the file (zap): only the header is left.
  void reset();
  // Faults of one pointer (empty: sound); never raises for damage.
  std::string checkPointer(uint32_t block);

 private:
  struct Span {
    uint32_t type = 0;
    uint32_t length = 0;
  };
  bool spanOf(uint32_t block, Span& span, std::string& fault);
  uint32_t readNextFree();
  uint32_t blocksFor(uint64_t length) const {
    return uint32_t((8 + length + blockSize_ - 1) / blockSize_);
  }

  Fd fd_;
  std::string path_;
  std::string fileName_;
  bool exclusive_ = false;
  uint32_t blockSize_ = 64;
  uint32_t firstBlock_ = 8;
  off_t knownSize_ = 0;
};

}  // namespace xbase
