#include "platform/xbase/cdx_page.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace xbase::cdx {

NodeHeader readNodeHeader(const Page& page) {
  NodeHeader h;
  h.attr = getLe16(page.data());
  h.count = getLe16(page.data() + 2);
  h.left = getLe32(page.data() + 4);
  h.right = getLe32(page.data() + 8);
  return h;
}

void writeNodeHeader(Page& page, const NodeHeader& h) {
  putLe16(page.data(), h.attr);
  putLe16(page.data() + 2, h.count);
  putLe32(page.data() + 4, h.left);
  putLe32(page.data() + 8, h.right);
}

int compareEntry(std::string_view keyA, uint32_t recA, std::string_view keyB, uint32_t recB) {
  const int c = std::memcmp(keyA.data(), keyB.data(), std::min(keyA.size(), keyB.size()));
  if (c != 0) return c < 0 ? -1 : 1;
  if (keyA.size() != keyB.size()) return keyA.size() < keyB.size() ? -1 : 1;
  if (recA != recB) return recA < recB ? -1 : 1;
  return 0;
}

int interiorCapacity(int keyLength) { return 500 / (keyLength + 8); }

void Entries::insert(size_t at, std::string_view key, uint32_t recno) {
  keys.insert(at * size_t(keyLength), key.data(), size_t(keyLength));
  recnos.insert(recnos.begin() + long(at), recno);
}

void Entries::insert(size_t at, std::string_view key, uint32_t recno, uint32_t child) {
  insert(at, key, recno);
  children.insert(children.begin() + long(at), child);
}

void Entries::erase(size_t at) {
  keys.erase(at * size_t(keyLength), size_t(keyLength));
  recnos.erase(recnos.begin() + long(at));
  if (at < children.size()) children.erase(children.begin() + long(at));
}

void Entries::append(const Entries& from, size_t begin, size_t end) {
  keys.append(from.keys, begin * size_t(keyLength), (end - begin) * size_t(keyLength));
  recnos.insert(recnos.end(), from.recnos.begin() + long(begin), from.recnos.begin() + long(end));
  if (!from.children.empty())
    children.insert(children.end(), from.children.begin() + long(begin), from.children.begin() + long(end));
}

std::string decodeInterior(const Page& page, int keyLength, Entries& out) {
  const NodeHeader h = readNodeHeader(page);
  out.keyLength = keyLength;
  out.clear();
  if (h.count == 0) return "an interior node holds no key";
  if (h.count > interiorCapacity(keyLength))
    return "an interior node claims " + std::to_string(h.count) + " keys, more than fit";
  out.keys.reserve(size_t(h.count) * size_t(keyLength));
  for (int i = 0; i < h.count; ++i) {
    out.keys.append(interiorKey(page, i, keyLength));
    out.recnos.push_back(interiorRecno(page, i, keyLength));
    out.children.push_back(interiorChild(page, i, keyLength));
  }
  return {};
}

void encodeInterior(const Entries& e, size_t begin, size_t end, const NodeHeader& header, int keyLength,
                    Page& out) {
  out.fill(0);
  NodeHeader h = header;
  h.attr = uint16_t(h.attr & ~kAttrLeaf);
  h.count = uint16_t(end - begin);
  writeNodeHeader(out, h);
  uint8_t* p = out.data() + kInteriorHeaderSize;
  for (size_t i = begin; i < end; ++i) {
    std::memcpy(p, e.key(i).data(), size_t(keyLength));
    putBe32(p + keyLength, e.recnos[i]);
    putBe32(p + keyLength + 4, e.children[i]);
    p += keyLength + 8;
  }
}

LeafWidths leafWidths(int keyLength, uint32_t maxRecno) {
  LeafWidths w;
  const int b = std::bit_width(unsigned(keyLength));
  w.dupBits = w.trailBits = b;
  w.dupMask = w.trailMask = uint8_t((1u << b) - 1);
  w.bytes = 3;
  for (;;) {
    w.recBits = 8 * w.bytes - 2 * b;
    w.recMask = w.recBits >= 32 ? 0xFFFFFFFFu : (1u << w.recBits) - 1;
    if (maxRecno <= w.recMask) break;
    ++w.bytes;
  }
  return w;
}

int trailCount(std::string_view key, uint8_t fill) {
  int n = int(key.size());
  while (n > 0 && uint8_t(key[size_t(n - 1)]) == fill) --n;
  return int(key.size()) - n;
}

int dupCount(std::string_view prev, int prevTrail, std::string_view key, int trail) {
  const int cap = int(key.size()) - std::max(prevTrail, trail);
  int n = 0;
  while (n < cap && prev[size_t(n)] == key[size_t(n)]) ++n;
  return n;
}

std::string LeafReader::start(const Page& page, int keyLength, uint8_t fill) {
  page_ = &page;
  keyLength_ = keyLength;
  fill_ = fill;
  index_ = 0;
  dup_ = match_ = 0;
  lastTrail_ = keyLength;
  tail_ = kPageSize;
  const NodeHeader h = readNodeHeader(page);
  count_ = h.count;
  freeSpace_ = getLe16(page.data() + 12);
  width_.recMask = getLe32(page.data() + 14);
  width_.dupMask = page[18];
  width_.trailMask = page[19];
  width_.recBits = page[20];
  width_.dupBits = page[21];
  width_.trailBits = page[22];
  width_.bytes = page[23];
  key_.assign(size_t(keyLength), char(fill));
  if (width_.bytes < 1 || width_.bytes > 8 ||
      width_.recBits + width_.dupBits + width_.trailBits > 8 * width_.bytes)
    return "a leaf has impossible entry widths";
  entryMask_ = width_.bytes == 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * width_.bytes)) - 1;
  if (kLeafHeaderSize + count_ * width_.bytes > int(kPageSize))
    return "a leaf claims " + std::to_string(count_) + " keys, more than fit";
  return {};
}

bool LeafReader::advance() {
  const int at = kLeafHeaderSize + index_ * width_.bytes;
  uint64_t v = 0;
  if (std::endian::native == std::endian::little && at + 8 <= int(kPageSize)) {
    std::memcpy(&v, page_->data() + at, 8);
    v &= entryMask_;
  } else {
    for (int b = width_.bytes - 1; b >= 0; --b) v = (v << 8) | page_->data()[at + b];
  }
  recno_ = uint32_t(v & width_.recMask);
  const int dup = index_ == 0 ? 0 : int((v >> width_.recBits) & width_.dupMask);
  const int trail = int((v >> (width_.recBits + width_.dupBits)) & width_.trailMask);
  const int stored = keyLength_ - dup - trail;
  if (stored < 0) {
    fault_ = "a leaf entry claims more shared and dropped bytes than the key has";
    return false;
  }
  tail_ -= stored;
  if (tail_ < kLeafHeaderSize + count_ * width_.bytes) {
    fault_ = "the entries of a leaf overrun the page";
    return false;
  }
  char* key = key_.data();
  if (stored > 0) std::memcpy(key + dup, page_->data() + tail_, size_t(stored));
  // The bytes past the previous key's end are fill already.
  if (trail > lastTrail_) std::memset(key + keyLength_ - trail, fill_, size_t(trail - lastTrail_));
  lastTrail_ = trail;
  dup_ = dup;
  ++index_;
  return true;
}

int LeafReader::compareWithTarget(std::string_view target, uint32_t recno) {
  int from = 0;
  if (index_ > 1) {
    if (dup_ > match_) return -1;  // equal to the previous entry past the point where it fell below
    from = dup_;
  }
  const char* k = key_.data();
  int j = from;
  while (j < keyLength_ && k[j] == target[size_t(j)]) ++j;
  int c;
  if (j < keyLength_) c = uint8_t(k[j]) < uint8_t(target[size_t(j)]) ? -1 : 1;
  else c = recno_ < recno ? -1 : recno_ > recno ? 1 : 0;
  if (c <= 0) match_ = j;  // an equal entry is passed over by a search for the next one
  return c;
}

std::string decodeLeaf(const Page& page, int keyLength, uint8_t fill, Entries& out) {
  out.keyLength = keyLength;
  out.clear();
  LeafReader r;
  std::string fault = r.start(page, keyLength, fill);
  if (!fault.empty()) return fault;
  out.keys.reserve(size_t(r.count()) * size_t(keyLength));
  out.recnos.reserve(size_t(r.count()));
  for (int i = 0; i < r.count(); ++i) {
    fault = r.next();
    if (!fault.empty()) return fault;
    out.keys.append(r.key());
    out.recnos.push_back(r.recno());
  }
  return {};
}

namespace {

uint32_t maxRecno(const Entries& e, size_t begin, size_t end) {
  uint32_t m = 0;
  for (size_t i = begin; i < end; ++i) m = std::max(m, e.recnos[i]);
  return m;
}

int storedBytes(const Entries& e, size_t begin, size_t end, uint8_t fill) {
  int total = 0, prevTrail = 0;
  for (size_t i = begin; i < end; ++i) {
    const std::string_view k = e.key(i);
    const int trail = trailCount(k, fill);
    const int dup = i == begin ? 0 : dupCount(e.key(i - 1), prevTrail, k, trail);
    total += e.keyLength - dup - trail;
    prevTrail = trail;
  }
  return total;
}

}  // namespace

int leafBytes(const Entries& e, size_t begin, size_t end, uint8_t fill) {
  const LeafWidths w = leafWidths(e.keyLength, maxRecno(e, begin, end));
  return int(end - begin) * w.bytes + storedBytes(e, begin, end, fill);
}

bool encodeLeaf(const Entries& e, size_t begin, size_t end, uint8_t fill, const NodeHeader& header, Page& out) {
  return encodeLeaf(e, begin, end, fill, header, leafWidths(e.keyLength, maxRecno(e, begin, end)), out);
}

bool encodeLeaf(const Entries& e, size_t begin, size_t end, uint8_t fill, const NodeHeader& header,
                const LeafWidths& w, Page& out) {
  const int n = int(end - begin);
  int tail = kPageSize;
  const int arrayEnd = kLeafHeaderSize + n * w.bytes;
  if (arrayEnd > int(kPageSize)) return false;
  out.fill(0);
  uint8_t* entry = out.data() + kLeafHeaderSize;
  int prevTrail = 0;
  for (size_t i = begin; i < end; ++i) {
    const std::string_view k = e.key(i);
    const int trail = trailCount(k, fill);
    const int dup = i == begin ? 0 : dupCount(e.key(i - 1), prevTrail, k, trail);
    const int stored = e.keyLength - dup - trail;
    tail -= stored;
    if (tail < arrayEnd) return false;
    std::memcpy(out.data() + tail, k.data() + dup, size_t(stored));
    const uint64_t v = uint64_t(e.recnos[i] & w.recMask) | uint64_t(dup) << w.recBits |
                       uint64_t(trail) << (w.recBits + w.dupBits);
    for (int b = 0; b < w.bytes; ++b) entry[b] = uint8_t(v >> (8 * b));
    entry += w.bytes;
    prevTrail = trail;
  }
  NodeHeader h = header;
  h.attr = uint16_t(h.attr | kAttrLeaf);
  h.count = uint16_t(n);
  writeNodeHeader(out, h);
  putLe16(out.data() + 12, uint16_t(tail - arrayEnd));
  putLe32(out.data() + 14, w.recMask);
  out[18] = w.dupMask;
  out[19] = w.trailMask;
  out[20] = uint8_t(w.recBits);
  out[21] = uint8_t(w.dupBits);
  out[22] = uint8_t(w.trailBits);
  out[23] = uint8_t(w.bytes);
  return true;
}

}  // namespace xbase::cdx
