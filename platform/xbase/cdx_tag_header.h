// CDX tag headers: the 1024-byte header of a tag (and of the file itself,
// whose "tag" is the directory of tags).
//
// Contract:
// - Bytes 0..3 root node offset, 12..13 key length, 14 options, 15 signature
//   0x01, 502 order, 504..511 the positions and lengths (NUL included) of the
//   key and FOR expressions in the 512-byte pool that follows; everything else
//   zero. The compound header has key length 10, options 0xE0 and empty
//   expressions.
// - Decoding reads the expressions the tolerant way (up to the first NUL, the
//   FOR text from its recorded position) and checks the key length.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/xbase/cdx_page.h"

namespace xbase::cdx {

constexpr uint8_t kOptUnique = 0x01;
constexpr uint8_t kOptFor = 0x08;
constexpr uint8_t kOptCompact = 0x20;
constexpr uint8_t kOptCompound = 0x40;
constexpr uint8_t kOptDirectory = 0x80;
constexpr uint32_t kDirectoryRoot = 2 * kPageSize;  // where a new file keeps the directory's root leaf
constexpr int kDirectoryKeyLength = 10;

struct TagHeader {
  uint32_t root = 0;
  int keyLength = 0;
  uint8_t options = kOptCompact | kOptCompound;
  bool descending = false;
  std::string expression, forExpression;
};

// The two pages of a header.
std::array<Page, 2> encodeTagHeader(const TagHeader& header);
// "" or the fault.
std::string decodeTagHeader(const Page& head, const Page& pool, TagHeader& out);
TagHeader directoryHeader(uint32_t root);

}  // namespace xbase::cdx
