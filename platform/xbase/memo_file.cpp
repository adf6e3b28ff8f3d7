#include "platform/xbase/memo_file.h"

#include <cstring>
#include <vector>

#include "platform/system/error.h"
#include "platform/xbase/lock.h"

namespace xbase {

namespace {

constexpr uint32_t kHeaderSize = 512;
constexpr uint32_t kTextType = 1;

uint32_t be32(const unsigned char* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
void putBe32(unsigned char* p, uint32_t v) {
  p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v);
}

}  // namespace

void MemoFile::writeNew(int fd, const std::string& fileName, uint32_t blockSize) {
  const uint32_t first = (kHeaderSize + blockSize - 1) / blockSize;
  std::vector<unsigned char> h(size_t(first) * blockSize, 0);
  putBe32(h.data(), first);
  h[6] = uint8_t(blockSize >> 8);
  h[7] = uint8_t(blockSize);
  writeAt(fd, h.data(), h.size(), 0, fileName);
  truncateFile(fd, off_t(h.size()), fileName);
}

MemoFile::MemoFile(Fd fd, std::string path, std::string fileName, bool exclusive)
    : fd_(std::move(fd)), path_(std::move(path)), fileName_(std::move(fileName)), exclusive_(exclusive) {
  unsigned char h[8];
  knownSize_ = fileSize(fd_.get(), fileName_);
  if (knownSize_ < 8 || readAt(fd_.get(), h, 8, 0, fileName_) != 8)
    throw sys::Error("Memo file '" + fileName_ + "' is damaged: the file is shorter than its header");
  blockSize_ = uint32_t(h[6]) << 8 | h[7];
  if (blockSize_ == 0) blockSize_ = be32(h + 4);  // some writers use all four bytes
  if (blockSize_ == 0 || blockSize_ > 65536)
    throw sys::Error("Memo file '" + fileName_ + "' is damaged: block size " + std::to_string(blockSize_));
  firstBlock_ = (kHeaderSize + blockSize_ - 1) / blockSize_;
}

uint32_t MemoFile::readNextFree() {
  unsigned char h[4];
  if (readAt(fd_.get(), h, 4, 0, fileName_) != 4)
    throw sys::Error("Memo file '" + fileName_ + "' is damaged: the file is shorter than its header");
  uint32_t next = be32(h);
  if (next < firstBlock_)
    throw sys::Error("Memo file '" + fileName_ + "' is damaged: next free block " + std::to_string(next) +
                     " lies inside the header");
  return next;
}

bool MemoFile::spanOf(uint32_t block, Span& span, std::string& fault) {
  if (block < firstBlock_) {
    fault = "memo pointer " + std::to_string(block) + " lies inside the header";
    return false;
  }
  const off_t at = off_t(block) * blockSize_;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (at + 8 <= knownSize_) {
      unsigned char h[8];
      if (readAt(fd_.get(), h, 8, at, fileName_) == 8) {
        span.type = be32(h);
        span.length = be32(h + 4);
        if (at + 8 + off_t(span.length) <= knownSize_) return true;
      }
    }
    if (attempt == 0) knownSize_ = fileSize(fd_.get(), fileName_);  // another program may have grown it
  }
  if (at + 8 > knownSize_)
    fault = "memo pointer " + std::to_string(block) + " points past the end of the file";
  else
    fault = "the memo at block " + std::to_string(block) + " runs past the end of the file";
  return false;
}

std::string MemoFile::read(uint32_t block) {
  if (block == 0) return {};
  Span span;
  std::string fault;
  if (!spanOf(block, span, fault)) throw sys::Error("Memo file '" + fileName_ + "' is damaged: " + fault);
  std::string text(span.length, '\0');
  const off_t at = off_t(block) * blockSize_ + 8;
  if (readAt(fd_.get(), text.data(), text.size(), at, fileName_) != text.size())
    throw sys::Error("Memo file '" + fileName_ + "' is damaged: the memo at block " + std::to_string(block) +
                     " runs past the end of the file");
  return text;
}

std::string MemoFile::checkPointer(uint32_t block) {
  if (block == 0) return {};
  Span span;
  std::string fault;
  if (!spanOf(block, span, fault)) return fault;
  return {};
}

uint32_t MemoFile::write(std::string_view text, uint32_t oldBlock) {
  if (text.empty()) return 0;
  if (uint64_t(text.size()) > 0xFFFFFFFFull - 8)
    throw sys::Error("Memo file '" + fileName_ + "': the text is too long");
  ByteLock lock;
  if (!exclusive_) {
    lockBytes(fd_.get(), kMemoLockOffset, 1, true, true);
    lock = ByteLock(fd_.get(), kMemoLockOffset, 1);
  }
  const uint32_t need = blocksFor(text.size());
  uint32_t block = 0;
  if (oldBlock != 0) {
    Span span;
    std::string fault;
    if (spanOf(oldBlock, span, fault) && blocksFor(span.length) >= need) block = oldBlock;
  }
  uint32_t nextFree = 0;
  if (block == 0) {
    nextFree = readNextFree();
    block = nextFree;
    if (uint64_t(block) + need > 0xFFFFFFFFull)
      throw sys::Error("Memo file '" + fileName_ + "' is full");
  }
  // One write: block header, text and (for a new memo) zeros up to the block end.
  std::string bytes(8, '\0');
  putBe32(reinterpret_cast<unsigned char*>(bytes.data()), kTextType);
  putBe32(reinterpret_cast<unsigned char*>(bytes.data()) + 4, uint32_t(text.size()));
  bytes.append(text);
  if (nextFree != 0) bytes.resize(size_t(need) * blockSize_, '\0');
  const off_t at = off_t(block) * blockSize_;
  writeAt(fd_.get(), bytes.data(), bytes.size(), at, fileName_);
  if (at + off_t(bytes.size()) > knownSize_) knownSize_ = at + off_t(bytes.size());
  if (nextFree != 0) {
    unsigned char h[4];
    putBe32(h, nextFree + need);
    writeAt(fd_.get(), h, 4, 0, fileName_);
  }
  return block;
}

void MemoFile::reset() {
  std::vector<unsigned char> h(size_t(firstBlock_) * blockSize_, 0);
  putBe32(h.data(), firstBlock_);
  h[6] = uint8_t(blockSize_ >> 8);
  h[7] = uint8_t(blockSize_);
  writeAt(fd_.get(), h.data(), h.size(), 0, fileName_);
  truncateFile(fd_.get(), off_t(h.size()), fileName_);
  knownSize_ = off_t(h.size());
}

}  // namespace xbase
