// CDX pages: the 512-byte node layout of a compound index.
//
// Contract:
// - A node starts with a 12-byte header (attributes, key count, left and
//   right sibling offsets, little-endian). Interior nodes hold entries of
//   key + record number + child offset, the last two big-endian; each entry
//   is the last (greatest) entry of its child.
// - Leaves pack (record number, duplicate count, trailing count) bit fields
//   upward from byte 24 and the key bytes downward from byte 512, with the
//   widths chosen the way other FoxPro-compatible writers choose them, so a
//   leaf we encode is byte for byte what they write.
// - Decoding never trusts the page: every count and width is checked and a
//   fault is returned as text (the caller names the file).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xbase::cdx {

constexpr uint32_t kPageSize = 512;
constexpr uint32_t kNoPage = 0xFFFFFFFFu;
constexpr int kMaxKeyLength = 240;
constexpr int kLeafHeaderSize = 24;
constexpr int kLeafSpace = kPageSize - kLeafHeaderSize;  // 488
constexpr int kInteriorHeaderSize = 12;

using Page = std::array<uint8_t, kPageSize>;

// Node attribute bits.
constexpr uint16_t kAttrRoot = 1;
constexpr uint16_t kAttrLeaf = 2;

inline uint16_t getLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t getLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint32_t getBe32(const uint8_t* p) {
  return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
}
inline void putLe16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void putLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void putBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

struct NodeHeader {
  uint16_t attr = 0;
  uint16_t count = 0;
  uint32_t left = kNoPage;
  uint32_t right = kNoPage;
  bool leaf() const { return attr & kAttrLeaf; }
  bool root() const { return attr & kAttrRoot; }
};
NodeHeader readNodeHeader(const Page& page);
void writeNodeHeader(Page& page, const NodeHeader& header);

// Entries and ordering shared by both node kinds: (key bytes unsigned, recno).
int compareEntry(std::string_view keyA, uint32_t recA, std::string_view keyB, uint32_t recB);

// ---- interior nodes ----
int interiorCapacity(int keyLength);  // floor(500 / (keyLength + 8))
inline const uint8_t* interiorEntry(const Page& page, int i, int keyLength) {
  return page.data() + kInteriorHeaderSize + i * (keyLength + 8);
}
inline std::string_view interiorKey(const Page& page, int i, int keyLength) {
  return {reinterpret_cast<const char*>(interiorEntry(page, i, keyLength)), size_t(keyLength)};
}
inline uint32_t interiorRecno(const Page& page, int i, int keyLength) {
  return getBe32(interiorEntry(page, i, keyLength) + keyLength);
}
inline uint32_t interiorChild(const Page& page, int i, int keyLength) {
  return getBe32(interiorEntry(page, i, keyLength) + keyLength + 4);
}

// Entries of one node in memory: keys back to back, keyLength bytes each.
struct Entries {
  int keyLength = 0;
  std::string keys;
  std::vector<uint32_t> recnos;
  std::vector<uint32_t> children;  // interior nodes only

  size_t size() const { return recnos.size(); }
  std::string_view key(size_t i) const { return {keys.data() + i * size_t(keyLength), size_t(keyLength)}; }
  void clear() {
    keys.clear();
    recnos.clear();
    children.clear();
  }
  void insert(size_t at, std::string_view key, uint32_t recno);                  // leaf
  void insert(size_t at, std::string_view key, uint32_t recno, uint32_t child);  // interior
  void erase(size_t at);
  void append(const Entries& from, size_t begin, size_t end);
};

// Reads every entry of an interior node (count checked against capacity).
// Returns the fault, or "" when the node is sound.
std::string decodeInterior(const Page& page, int keyLength, Entries& out);
// Builds an interior node; entries [begin, end) must fit the capacity.
void encodeInterior(const Entries& entries, size_t begin, size_t end, const NodeHeader& header,
                    int keyLength, Page& out);

// ---- leaves ----
struct LeafWidths {
  int recBits = 0, dupBits = 0, trailBits = 0, bytes = 0;
  uint32_t recMask = 0;
  uint8_t dupMask = 0, trailMask = 0;
};
// The widths other writers choose for a key length and the largest record
// number to hold.
LeafWidths leafWidths(int keyLength, uint32_t maxRecno);

// Sequential reader of a leaf: each next() yields one entry.
class LeafReader {
 public:
  // Checks the leaf header; "" when it is usable.
  std::string start(const Page& page, int keyLength, uint8_t fill);
  int count() const { return count_; }
  int index() const { return index_; }  // entries read so far
  // Decodes the next entry; "" or the fault.
  std::string next() { return advance() ? std::string() : std::string(fault_); }
  // Same without building a string: false and fault() on damage.
  bool advance();
  const char* fault() const { return fault_; }
  // Compares the entry just read with the target (key of keyLength bytes).
  // Call for the entries in order from the first, while they are below the
  // target (or equal to it, when looking for the next one): an entry that shares more bytes with the one before than that
  // one shared with the target is below the target too, without a compare.
  int compareWithTarget(std::string_view target, uint32_t recno);
  std::string_view key() const { return {key_.data(), key_.size()}; }
  uint32_t recno() const { return recno_; }
  // Bytes between the entry array and the key data after the last entry
  // read; equals the stored free space once every entry has been read.
  int gap() const { return tail_ - (kLeafHeaderSize + count_ * width_.bytes); }
  // First byte of the key data of the last entry read.
  int tail() const { return tail_; }
  int storedFreeSpace() const { return freeSpace_; }
  const LeafWidths& widths() const { return width_; }

 private:
  const Page* page_ = nullptr;
  int keyLength_ = 0;
  uint8_t fill_ = ' ';
  int count_ = 0, index_ = 0, tail_ = 0, freeSpace_ = 0;
  LeafWidths width_;
  std::string key_;
  uint32_t recno_ = 0;
  int dup_ = 0, match_ = 0, lastTrail_ = 0;
  uint64_t entryMask_ = 0;
  const char* fault_ = "";
};

// Reads every entry of a leaf; "" or the fault.
std::string decodeLeaf(const Page& page, int keyLength, uint8_t fill, Entries& out);

// Bytes entries [begin, end) take in a leaf's 488-byte area with the widths
// for their largest record number.
int leafBytes(const Entries& entries, size_t begin, size_t end, uint8_t fill);
// Encodes entries [begin, end) as a leaf; false when they do not fit.
bool encodeLeaf(const Entries& entries, size_t begin, size_t end, uint8_t fill, const NodeHeader& header,
                Page& out);
// Same with widths given (bulk build: the widths for the whole tag).
bool encodeLeaf(const Entries& entries, size_t begin, size_t end, uint8_t fill, const NodeHeader& header,
                const LeafWidths& widths, Page& out);

// Trailing fill bytes of a key and the shared prefix of two neighbours,
// capped so that neither key's dropped tail is counted twice.
int trailCount(std::string_view key, uint8_t fill);
int dupCount(std::string_view prev, int prevTrail, std::string_view key, int trail);

}  // namespace xbase::cdx
