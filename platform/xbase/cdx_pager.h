// CDX pager: the compound index file as 512-byte pages, with its lock byte,
// change counter, free list and page cache.
//
// Contract:
// - Pages are read and written only inside a session (enter/leave). The
//   outermost session takes the FoxPro lock byte 0x7FFFFFFE of the file with an
//   open-file-description lock (shared to read, exclusive to write) unless the
//   file is open for exclusive use, then reads file bytes 0..11 (tag-of-tags
//   root, free-list head, change counter). Cached pages are kept only while
//   those bytes are unchanged; otherwise the cache is dropped and
//   generation() changes.
// - An optimistic read session takes no lock while it is served from the
//   cache and the control bytes it read at its start are those the cache
//   belongs to: a writer bumps the counter before its first change, so such
//   a session sees the file as it was before any write in progress. The
//   first page it must read from the file takes the shared lock and looks at
//   the control bytes again; when they have changed meanwhile the pages it
//   returned so far may belong to an older state, so it throws Restart and
//   the outermost session's owner runs the whole read again (see
//   CdxFile::reading). A session that is not optimistic never throws it.
// - The cache holds at most 16,384 pages (8 MB) between sessions (it is
//   dropped whole at the start of a session that finds it fuller), and its
//   lookup table grows with the pages cached, never with the file.
// - Before the first change of a write session the change counter (big-endian
//   at offset 8) is bumped and written, so a writer that dies half-way still
//   tells every reader that pages changed.
// - A Batch collects one operation's page writes, allocations and releases
//   and writes them in the order given; pages are read (and checked) while
//   the batch is planned, so damage found then leaves the file untouched.
// - read() refuses offsets that are not on a page boundary, lie inside the
//   compound header or past the end of the file (sys::Error naming the file).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <memory>
#include <vector>

#include "platform/xbase/cdx_page.h"

namespace xbase::cdx {

// Thrown by an optimistic read session whose snapshot went stale.
struct Restart {};

class Pager {
 public:
  Pager(std::string path, int fd, bool writable, bool exclusive);
  ~Pager();
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  const std::string& path() const { return path_; }
  int fd() const { return fd_; }
  bool writable() const { return writable_; }
  bool exclusive() const { return exclusive_; }

  // "Index file '<path>' is damaged (<context>): <what>".
  [[noreturn]] void damaged(std::string_view context, const std::string& what) const;
  [[noreturn]] void osError(const char* action) const;

  // Sessions. `upgraded` tells leave() to go back to a shared lock.
  // `optimistic` (read sessions only; honoured for the outermost one) lets
  // the session run without the lock while the cache serves it.
  void enter(bool write, bool& upgraded, bool optimistic = false);
  void leave(bool upgraded);
  bool inSession() const { return depth_ > 0; }
  bool inWriteSession() const { return depth_ > 0 && writing_; }
  uint64_t generation() const { return generation_; }

  uint32_t tagOfTagsRoot() const { return root_; }
  uint32_t freeHead() const { return freeHead_; }
  uint32_t counter() const { return counter_; }

  // A checked, cached page. The reference stays valid until the session ends.
  // Node pages never lie in the compound header (offsets 0 and 512);
  // `headerPage` allows them.
  const Page& read(uint32_t offset, std::string_view context, bool headerPage = false);
  // Same, with the cache slot's mark: a tree checks a leaf once when it
  // enters the cache and records the outcome for its own shape (key length
  // and fill); 0 = not checked. A batch marks the pages it writes.
  const Page& read(uint32_t offset, std::string_view context, uint16_t*& mark);
  // "" and the page in `out`, or the fault (never throws for damage).
  std::string tryRead(uint32_t offset, Page& out, bool headerPage = false);
  // File size in bytes (one fstat).
  uint64_t fileSize() const;

  // Bumps the change counter once per write session (before the first change).
  void noteChange();
  // Writes pages straight to the file (bulk build); not cached.
  void writeRun(uint32_t offset, const uint8_t* data, size_t bytes);
  // Empties the file; the caller writes a new compound header next.
  void truncateAll();
  // After a whole-file rewrite: the control bytes and cache start afresh.
  void resetControl(uint32_t root, uint32_t freeHead, uint32_t counter);

  // Test seam: after `writes` more writes every write fails as if the process
  // had died there; -1 = no limit.
  static void setWriteBudget(long writes);
  // Writes made by every pager of the process (for measurements).
  static uint64_t writesSoFar();

 private:
  friend class Batch;
  void lock(bool exclusive);
  void unlock();
  bool readControl();  // false when the cache was dropped
  bool controlUnchanged(uint32_t& root, uint32_t& head, uint32_t& counter, bool& complete);
  void leaveOptimism();
  void writeControl();
  void writePage(uint32_t offset, const Page& page, uint16_t mark = 0);
  void pwriteAll(const void* data, size_t size, uint64_t offset);

  std::string path_;
  int fd_;
  bool writable_, exclusive_;
  int depth_ = 0;
  bool writing_ = false, locked_ = false, bumped_ = false, controlKnown_ = false;
  bool optimistic_ = false;
  uint32_t root_ = 0, freeHead_ = 0, counter_ = 0;
  uint64_t generation_ = 0;
  // Page cache: slots in fixed chunks so references stay valid, found
  // through an open-addressing table of (page, generation, slot); entries of
  // an older generation count as empty, so dropping the cache is a
  // generation bump.
  struct Slot {
    Page page;
    uint16_t mark = 0;
  };
  struct Entry {
    uint32_t page = 0, gen = 0, slot = 0;
  };
  Slot* cached(uint32_t offset);
  Slot& cacheSlot(uint32_t offset);
  void dropCache();
  void growTable();
  size_t cacheSize() const { return used_; }
  static constexpr size_t kChunk = 64;
  std::vector<Entry> table_;  // power-of-two size, at most half full
  int tableBits_ = 0;
  std::vector<std::unique_ptr<Slot[]>> chunks_;
  size_t used_ = 0;
  uint32_t cacheGeneration_ = 1;
};

// One operation's changes. Nothing reaches the file before commit().
class Batch {
 public:
  // `mark`: the cache mark of the pages written (see Pager::read).
  explicit Batch(Pager& pager, uint16_t mark = 0);
  // A page for a new node: from the free list when its head is a sound free
  // page, else at the end of the file.
  uint32_t allocate();
  // `pages` consecutive pages at the end of the file (tag headers).
  uint32_t allocateRun(uint32_t pages);
  void put(uint32_t offset, const Page& page);
  // The page as this batch will write it, or nullptr.
  const Page* pending(uint32_t offset) const;
  // The page goes on the free list after every put() has been written.
  void release(uint32_t offset);
  void commit();

 private:
  Pager& pager_;
  uint16_t mark_;
  uint32_t head_;
  uint64_t end_ = 0;
  bool endKnown_ = false;
  std::vector<std::pair<uint32_t, Page>> writes_;
  std::vector<uint32_t> released_;
  std::vector<uint32_t> allocated_;
};

inline bool isEmptyLink(uint32_t offset) { return offset == 0 || offset == kNoPage; }
std::string hexOffset(uint32_t offset);

}  // namespace xbase::cdx
