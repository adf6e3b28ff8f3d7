#include "platform/xbase/cdx_pager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/system/error.h"
#include "platform/xbase/lock.h"

namespace xbase::cdx {

namespace {

constexpr off_t kLockByte = 0x7FFFFFFE;
constexpr size_t kCacheLimit = 16384;  // pages (8 MB); dropped whole when exceeded
long writeBudget = -1;
uint64_t writeCount = 0;

}  // namespace

std::string hexOffset(uint32_t offset) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", offset);
  return buf;
}

void Pager::setWriteBudget(long writes) { writeBudget = writes; }
uint64_t Pager::writesSoFar() { return writeCount; }

namespace {
inline size_t hashPage(uint32_t page, int bits) { return size_t(uint32_t(page * 2654435761u) >> (32 - bits)); }
}  // namespace

Pager::Slot* Pager::cached(uint32_t offset) {
  if (table_.empty()) return nullptr;
  const uint32_t page = offset / kPageSize;
  const size_t mask = table_.size() - 1;
  for (size_t h = hashPage(page, tableBits_);; h = (h + 1) & mask) {
    const Entry& e = table_[h];
    if (e.gen != cacheGeneration_) return nullptr;
    if (e.page == page) return &chunks_[e.slot / kChunk][e.slot % kChunk];
  }
}

void Pager::growTable() {
  std::vector<Entry> old = std::move(table_);
  tableBits_ = old.empty() ? 6 : tableBits_ + 1;
  table_.assign(size_t(1) << tableBits_, Entry{});
  const size_t mask = table_.size() - 1;
  for (const Entry& e : old) {
    if (e.gen != cacheGeneration_) continue;
    size_t h = hashPage(e.page, tableBits_);
    while (table_[h].gen == cacheGeneration_) h = (h + 1) & mask;
    table_[h] = e;
  }
}

Pager::Slot& Pager::cacheSlot(uint32_t offset) {
  if (Slot* s = cached(offset)) return *s;
  if ((used_ + 1) * 2 > table_.size()) growTable();
  const uint32_t page = offset / kPageSize;
  const size_t mask = table_.size() - 1;
  size_t h = hashPage(page, tableBits_);
  while (table_[h].gen == cacheGeneration_) h = (h + 1) & mask;
  const size_t slot = used_++;
  if (slot / kChunk >= chunks_.size()) chunks_.push_back(std::make_unique<Slot[]>(kChunk));
  table_[h] = Entry{page, cacheGeneration_, uint32_t(slot)};
  Slot& s = chunks_[slot / kChunk][slot % kChunk];
  s.mark = 0;
  return s;
}

void Pager::dropCache() {
  used_ = 0;
  if (chunks_.size() > kCacheLimit / kChunk) chunks_.resize(kCacheLimit / kChunk);
  // A session that walked a whole large tag grew the table past what the
  // cache may keep: give that memory back.
  if (table_.size() > 2 * kCacheLimit) {
    table_.clear();
    table_.shrink_to_fit();
    tableBits_ = 0;
  }
  if (++cacheGeneration_ == 0) {  // after 4 billion drops: start the table afresh
    std::fill(table_.begin(), table_.end(), Entry{});
    cacheGeneration_ = 1;
  }
  ++generation_;
}

Pager::Pager(std::string path, int fd, bool writable, bool exclusive)
    : path_(std::move(path)), fd_(fd), writable_(writable), exclusive_(exclusive) {}

Pager::~Pager() {
  if (locked_) unlockBytes(fd_, kLockByte, 1);
  ::close(fd_);
}

void Pager::damaged(std::string_view context, const std::string& what) const {
  std::string msg = "Index file '" + path_ + "' is damaged";
  if (!context.empty()) msg += " (" + std::string(context) + ")";
  throw sys::Error(msg + ": " + what);
}

void Pager::osError(const char* action) const {
  throw sys::Error(std::string("Cannot ") + action + " index file '" + path_ + "': " + std::strerror(errno));
}

void Pager::lock(bool exclusive) {
  if (exclusive_) return;
  if (!lockBytes(fd_, kLockByte, 1, exclusive, true)) osError("lock");
  locked_ = true;
}

void Pager::unlock() {
  if (!locked_) return;
  unlockBytes(fd_, kLockByte, 1);
  locked_ = false;
}

void Pager::enter(bool write, bool& upgraded, bool optimistic) {
  upgraded = false;
  if (write && !writable_) throw sys::Error("Index file '" + path_ + "' is open for reading only");
  if (depth_ == 0) {
    writing_ = write;
    bumped_ = false;
    if (optimistic && !write && !exclusive_ && controlKnown_ && used_ <= kCacheLimit) {
      uint32_t root, head, counter;
      bool complete;
      if (controlUnchanged(root, head, counter, complete)) {
        optimistic_ = true;
        ++depth_;
        return;
      }
    }
    lock(write);
    try {
      readControl();
    } catch (...) {
      unlock();
      throw;
    }
  } else if (write && !writing_) {
    // Upgrading in place could deadlock two readers that both upgrade (open
    // file locks have no deadlock detection): release, then wait for the
    // exclusive lock, and look at the file again.
    optimistic_ = false;
    if (!exclusive_) {
      unlock();
      lock(true);
    }
    writing_ = true;
    bumped_ = false;
    upgraded = true;
    readControl();
  }
  ++depth_;
}

void Pager::leave(bool upgraded) {
  --depth_;
  if (upgraded) {
    writing_ = false;
    if (!exclusive_ && locked_) lockBytes(fd_, kLockByte, 1, false, true);  // downgrade: never waits
  }
  if (depth_ == 0) {
    unlock();
    writing_ = false;
    optimistic_ = false;
  }
}

void Pager::leaveOptimism() {
  // The session needs the file itself: from here on it holds the shared lock.
  optimistic_ = false;
  lock(false);
  if (!readControl()) throw Restart{};
}

bool Pager::controlUnchanged(uint32_t& root, uint32_t& head, uint32_t& counter, bool& complete) {
  uint8_t buf[12] = {};
  ssize_t n;
  do {
    n = ::pread(fd_, buf, sizeof buf, 0);
  } while (n == -1 && errno == EINTR);
  if (n < 0) osError("read");
  root = getLe32(buf);
  head = getLe32(buf + 4);
  counter = getBe32(buf + 8);
  complete = n == 12;
  return controlKnown_ && complete && root == root_ && head == freeHead_ && counter == counter_;
}

bool Pager::readControl() {
  if (exclusive_ && controlKnown_) return true;  // nobody else may change the file
  uint32_t root, head, counter;
  bool complete;
  const bool kept = controlUnchanged(root, head, counter, complete) && used_ <= kCacheLimit;
  if (!kept) dropCache();
  root_ = root;
  freeHead_ = head;
  counter_ = counter;
  controlKnown_ = complete;
  return kept;
}

void Pager::resetControl(uint32_t root, uint32_t freeHead, uint32_t counter) {
  dropCache();
  root_ = root;
  freeHead_ = freeHead;
  counter_ = counter;
  controlKnown_ = true;
  bumped_ = true;
}

std::string Pager::tryRead(uint32_t offset, Page& out, bool headerPage) {
  if (offset % kPageSize != 0) return "offset " + hexOffset(offset) + " is not on a page boundary";
  if (!headerPage && offset < 2 * kPageSize) return "node offset " + hexOffset(offset) + " points into the file header";
  if (const Slot* slot = cached(offset)) {
    out = slot->page;
    return {};
  }
  if (optimistic_) leaveOptimism();
  ssize_t n;
  do {
    n = ::pread(fd_, out.data(), kPageSize, offset);
  } while (n == -1 && errno == EINTR);
  if (n < 0) osError("read");
  if (n != ssize_t(kPageSize)) return "offset " + hexOffset(offset) + " lies outside the file";
  return {};
}

const Page& Pager::read(uint32_t offset, std::string_view context, bool headerPage) {
  if (const Slot* slot = cached(offset)) return slot->page;
  Page page;
  std::string fault = tryRead(offset, page, headerPage);
  if (!fault.empty()) damaged(context, fault);
  Slot& slot = cacheSlot(offset);
  slot.page = page;
  return slot.page;
}

const Page& Pager::read(uint32_t offset, std::string_view context, uint16_t*& mark) {
  Slot* slot = cached(offset);
  if (!slot) {
    Page page;
    std::string fault = tryRead(offset, page);
    if (!fault.empty()) damaged(context, fault);
    slot = &cacheSlot(offset);
    slot->page = page;
  }
  mark = &slot->mark;
  return slot->page;
}

uint64_t Pager::fileSize() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) osError("read");
  return uint64_t(st.st_size);
}

void Pager::pwriteAll(const void* data, size_t size, uint64_t offset) {
  if (writeBudget == 0) throw sys::Error("Index file '" + path_ + "': simulated crash");
  if (writeBudget > 0) --writeBudget;
  ++writeCount;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::pwrite(fd_, p, size, off_t(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      osError("write");
    }
    p += n;
    size -= size_t(n);
    offset += uint64_t(n);
  }
}

void Pager::writeControl() {
  uint8_t buf[8];
  putLe32(buf, freeHead_);
  putBe32(buf + 4, counter_);
  pwriteAll(buf, sizeof buf, 4);
}

void Pager::noteChange() {
  if (bumped_) return;
  ++counter_;
  writeControl();
  bumped_ = true;
}

void Pager::writePage(uint32_t offset, const Page& page, uint16_t mark) {
  Slot& slot = cacheSlot(offset);
  slot.page = page;
  slot.mark = mark;
  Page& cached = slot.page;
  if (offset == 0) {
    // The compound header's control bytes belong to the pager.
    putLe32(cached.data() + 4, freeHead_);
    putBe32(cached.data() + 8, counter_);
    root_ = getLe32(cached.data());
  }
  pwriteAll(cached.data(), kPageSize, offset);
}

void Pager::writeRun(uint32_t offset, const uint8_t* data, size_t bytes) {
  noteChange();
  pwriteAll(data, bytes, offset);
}

void Pager::truncateAll() {
  if (writeBudget == 0) throw sys::Error("Index file '" + path_ + "': simulated crash");
  if (::ftruncate(fd_, 0) != 0) osError("write");
  dropCache();
}

Batch::Batch(Pager& pager, uint16_t mark) : pager_(pager), mark_(mark), head_(pager.freeHead()) {}

uint32_t Batch::allocate() {
  if (!isEmptyLink(head_)) {
    Page page;
    // Only a page that looks like a free page (a link and zeros) is taken:
    // a damaged list must never hand out a page that is in use.
    if (pager_.tryRead(head_, page).empty()) {
      const uint32_t next = getLe32(page.data());
      bool zeros = true;
      for (size_t i = 4; i < kPageSize && zeros; ++i) zeros = page[i] == 0;
      bool taken = false;
      for (uint32_t a : allocated_) taken = taken || a == head_;
      if (zeros && !taken && next != head_ && (isEmptyLink(next) || next % kPageSize == 0)) {
        const uint32_t offset = head_;
        head_ = next;
        allocated_.push_back(offset);
        return offset;
      }
    }
  }
  return allocateRun(1);
}

uint32_t Batch::allocateRun(uint32_t pages) {
  if (!endKnown_) {
    end_ = (pager_.fileSize() + kPageSize - 1) / kPageSize * kPageSize;
    if (end_ < 2 * kPageSize) end_ = 2 * kPageSize;
    endKnown_ = true;
  }
  const uint64_t offset = end_;
  end_ += uint64_t(pages) * kPageSize;
  if (end_ > 0x7FFFFE00u) throw sys::Error("Index file '" + pager_.path() + "' is full (2 GB)");
  return uint32_t(offset);
}

void Batch::put(uint32_t offset, const Page& page) {
  for (auto& w : writes_)
    if (w.first == offset) {
      w.second = page;
      return;
    }
  writes_.emplace_back(offset, page);
}

const Page* Batch::pending(uint32_t offset) const {
  for (auto& w : writes_)
    if (w.first == offset) return &w.second;
  return nullptr;
}

void Batch::release(uint32_t offset) { released_.push_back(offset); }

void Batch::commit() {
  if (writes_.empty() && released_.empty() && head_ == pager_.freeHead_) return;
  // Pages taken off the free list leave it first (a crash then only leaks them).
  if (head_ != pager_.freeHead_ || !pager_.bumped_) {
    if (!pager_.bumped_) ++pager_.counter_;
    pager_.freeHead_ = head_;
    pager_.writeControl();
    pager_.bumped_ = true;
  }
  for (auto& w : writes_) pager_.writePage(w.first, w.second, mark_);
  if (!released_.empty()) {
    for (uint32_t offset : released_) {
      Page link{};
      putLe32(link.data(), isEmptyLink(pager_.freeHead_) ? 0 : pager_.freeHead_);
      pager_.writePage(offset, link);
      pager_.freeHead_ = offset;
    }
    pager_.writeControl();
  }
  writes_.clear();
  released_.clear();
}

}  // namespace xbase::cdx
