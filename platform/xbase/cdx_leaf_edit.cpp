#include "platform/xbase/cdx_leaf_edit.h"

#include <cstring>

namespace xbase::cdx {

std::string LeafEdit::locate(const Page& page, int keyLength, uint8_t fill, std::string_view key, uint32_t recno) {
  page_ = &page;
  keyLength_ = keyLength;
  fill_ = fill;
  LeafReader r;
  std::string fault = r.start(page, keyLength, fill);
  if (!fault.empty()) return fault;
  count_ = r.count();
  freeSpace_ = r.storedFreeSpace();
  w_ = r.widths();
  hasNext_ = false;
  pos_ = count_;
  for (int i = 0; i < count_; ++i) {
    if (!r.advance()) return r.fault();
    Seen* into;
    if (pos_ < count_) {
      into = &next_;  // one entry past the position
      hasNext_ = true;
    } else if (r.compareWithTarget(key, recno) >= 0) {
      pos_ = i;
      into = &at_;
    } else {
      into = &prev_;
    }
    into->key.assign(r.key());
    into->recno = r.recno();
    into->start = r.tail();
    if (hasNext_) break;
  }
  if (pos_ > 0) prev_.trail = trailCount(prev_.key, fill);
  if (pos_ < count_) at_.trail = trailCount(at_.key, fill);
  if (hasNext_) next_.trail = trailCount(next_.key, fill);
  return {};
}

std::string LeafEdit::locateEnd(const Page& page, int keyLength, uint8_t fill, std::string_view lastKey,
                                uint32_t lastRecno) {
  page_ = &page;
  keyLength_ = keyLength;
  fill_ = fill;
  LeafReader r;
  std::string fault = r.start(page, keyLength, fill);
  if (!fault.empty()) return fault;
  count_ = pos_ = r.count();
  freeSpace_ = r.storedFreeSpace();
  w_ = r.widths();
  hasNext_ = false;
  if (count_ == 0) return "the leaf is empty";
  prev_.key.assign(lastKey);
  prev_.recno = lastRecno;
  prev_.trail = trailCount(lastKey, fill);
  prev_.start = kLeafHeaderSize + count_ * w_.bytes + freeSpace_;  // the last entry's bytes are the lowest
  // The parent entry must be the leaf's last entry: its record number,
  // trailing count and stored bytes are compared.
  const uint8_t* e = page.data() + kLeafHeaderSize + (count_ - 1) * w_.bytes;
  uint64_t v = 0;
  for (int b = w_.bytes - 1; b >= 0; --b) v = (v << 8) | e[b];
  const int dup = count_ == 1 ? 0 : int((v >> w_.recBits) & w_.dupMask);
  const int trail = int((v >> (w_.recBits + w_.dupBits)) & w_.trailMask);
  const int stored = keyLength - dup - trail;
  if (uint32_t(v & w_.recMask) != lastRecno || trail != prev_.trail || stored < 0 ||
      prev_.start + stored > int(kPageSize) ||
      std::memcmp(page.data() + prev_.start, lastKey.data() + dup, size_t(stored)) != 0)
    return "the parent entry is not the leaf's last entry";
  return {};
}

void LeafEdit::putEntry(Page& out, int index, uint32_t recno, int dup, int trail) const {
  const uint64_t v =
      uint64_t(recno & w_.recMask) | uint64_t(dup) << w_.recBits | uint64_t(trail) << (w_.recBits + w_.dupBits);
  uint8_t* e = out.data() + kLeafHeaderSize + index * w_.bytes;
  for (int b = 0; b < w_.bytes; ++b) e[b] = uint8_t(v >> (8 * b));
}

bool LeafEdit::insert(std::string_view key, uint32_t recno, Page& out) const {
  if (recno > w_.recMask || count_ >= 0xFFFF) return false;
  const Page& in = *page_;
  const int kl = keyLength_, bpe = w_.bytes;
  const int trailN = trailCount(key, fill_);
  const int dupN = pos_ > 0 ? dupCount(prev_.key, prev_.trail, key, trailN) : 0;
  const int storedN = kl - dupN - trailN;
  const int endP = pos_ > 0 ? prev_.start : int(kPageSize);  // key data of entries before pos ends... starts here
  int dupQ = 0, storedQ = 0, oldStoredQ = 0;
  if (atEntry()) {
    dupQ = dupCount(key, trailN, at_.key, at_.trail);
    storedQ = kl - dupQ - at_.trail;
    oldStoredQ = endP - at_.start;
  }
  const int need = bpe + storedN + storedQ - oldStoredQ;
  if (need > freeSpace_) return false;
  const int arrayOld = kLeafHeaderSize + count_ * bpe;
  const int dataOld = arrayOld + freeSpace_;  // first byte of all key data
  // The byte ranges must be those of a leaf whose free space is exact.
  if (atEntry() ? (at_.start < dataOld || at_.start > endP) : endP != dataOld) return false;
  out.fill(0);
  std::memcpy(out.data(), in.data(), kLeafHeaderSize);
  putLe16(out.data() + 2, uint16_t(count_ + 1));
  putLe16(out.data() + 12, uint16_t(freeSpace_ - need));
  // Entry array: [0, pos) as is, the new entry, the entry at pos re-counted,
  // the rest shifted by one entry.
  std::memcpy(out.data() + kLeafHeaderSize, in.data() + kLeafHeaderSize, size_t(pos_ * bpe));
  putEntry(out, pos_, recno, dupN, trailN);
  // Key data, from the end of the page down.
  std::memcpy(out.data() + endP, in.data() + endP, size_t(kPageSize - endP));
  int cursor = endP - storedN;
  std::memcpy(out.data() + cursor, key.data() + dupN, size_t(storedN));
  if (atEntry()) {
    putEntry(out, pos_ + 1, at_.recno, dupQ, at_.trail);
    const int rest = count_ - pos_ - 1;
    std::memcpy(out.data() + kLeafHeaderSize + (pos_ + 2) * bpe, in.data() + kLeafHeaderSize + (pos_ + 1) * bpe,
                size_t(rest * bpe));
    cursor -= storedQ;
    std::memcpy(out.data() + cursor, at_.key.data() + dupQ, size_t(storedQ));
    const int restBytes = at_.start - dataOld;  // key data of the entries after pos
    std::memcpy(out.data() + cursor - restBytes, in.data() + dataOld, size_t(restBytes));
  }
  return true;
}

bool LeafEdit::erase(Page& out) const {
  if (!atEntry() || count_ <= 1) return false;
  const Page& in = *page_;
  const int kl = keyLength_, bpe = w_.bytes;
  const int endP = pos_ > 0 ? prev_.start : int(kPageSize);
  const int storedQ = endP - at_.start;
  int dupR = 0, storedR = 0, oldStoredR = 0;
  if (hasNext_) {
    dupR = pos_ > 0 ? dupCount(prev_.key, prev_.trail, next_.key, next_.trail) : 0;
    storedR = kl - dupR - next_.trail;
    oldStoredR = at_.start - next_.start;
  }
  const int gained = bpe + storedQ + oldStoredR - storedR;
  const int arrayOld = kLeafHeaderSize + count_ * bpe;
  const int dataOld = arrayOld + freeSpace_;
  if (storedQ < 0 || (hasNext_ ? (next_.start < dataOld || next_.start > at_.start) : at_.start != dataOld))
    return false;
  out.fill(0);
  std::memcpy(out.data(), in.data(), kLeafHeaderSize);
  putLe16(out.data() + 2, uint16_t(count_ - 1));
  putLe16(out.data() + 12, uint16_t(freeSpace_ + gained));
  std::memcpy(out.data() + kLeafHeaderSize, in.data() + kLeafHeaderSize, size_t(pos_ * bpe));
  std::memcpy(out.data() + endP, in.data() + endP, size_t(kPageSize - endP));
  if (hasNext_) {
    putEntry(out, pos_, next_.recno, dupR, next_.trail);
    const int rest = count_ - pos_ - 2;
    std::memcpy(out.data() + kLeafHeaderSize + (pos_ + 1) * bpe, in.data() + kLeafHeaderSize + (pos_ + 2) * bpe,
                size_t(rest * bpe));
    const int cursor = endP - storedR;
    std::memcpy(out.data() + cursor, next_.key.data() + dupR, size_t(storedR));
    const int restBytes = next_.start - dataOld;
    std::memcpy(out.data() + cursor - restBytes, in.data() + dataOld, size_t(restBytes));
  }
  return true;
}

}  // namespace xbase::cdx
