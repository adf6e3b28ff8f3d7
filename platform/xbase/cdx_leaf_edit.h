// CDX leaf edits in place: one entry inserted into or removed from an encoded
// leaf by moving byte ranges, without re-encoding the other entries.
//
// Contract:
// - locate() scans a leaf up to the first entry >= (key, recno) and keeps
//   what an edit there needs: the entry before, the entry at the position and
//   the one after it (their keys, trailing counts and byte positions).
// - insert() / erase() build the changed leaf in `out`, byte for byte what
//   encoding the changed entry list with the same widths gives. They return
//   false when the edit does not fit in place (the page would overflow, the
//   record number needs wider entries, or the leaf would become empty); the
//   caller then re-encodes or splits the node.
// - Only for leaves whose stored free space matches their contents (checked
//   when the page entered the cache).
#pragma once

#include <string>
#include <string_view>

#include "platform/xbase/cdx_page.h"

namespace xbase::cdx {

class LeafEdit {
 public:
  // "" or the fault.
  std::string locate(const Page& page, int keyLength, uint8_t fill, std::string_view key, uint32_t recno);

  // For an entry greater than every entry of the leaf, when the leaf's last
  // entry is known (its parent entry): no scan. A fault when the leaf's last
  // entry does not match it (the caller then scans with locate()).
  std::string locateEnd(const Page& page, int keyLength, uint8_t fill, std::string_view lastKey, uint32_t lastRecno);

  int pos() const { return pos_; }
  int count() const { return count_; }
  bool atEntry() const { return pos_ < count_; }
  std::string_view entryKey() const { return at_.key; }
  uint32_t entryRecno() const { return at_.recno; }
  bool hasPrev() const { return pos_ > 0; }
  std::string_view prevKey() const { return prev_.key; }
  uint32_t prevRecno() const { return prev_.recno; }

  bool insert(std::string_view key, uint32_t recno, Page& out) const;
  bool erase(Page& out) const;  // removes the entry at pos()

 private:
  struct Seen {
    std::string key;
    uint32_t recno = 0;
    int trail = 0;
    int start = 0;  // first byte of its stored key data
  };
  void putEntry(Page& out, int index, uint32_t recno, int dup, int trail) const;

  const Page* page_ = nullptr;
  int keyLength_ = 0;
  uint8_t fill_ = ' ';
  int pos_ = 0, count_ = 0, freeSpace_ = 0;
  LeafWidths w_;
  Seen prev_, at_, next_;
  bool hasNext_ = false;
};

}  // namespace xbase::cdx
