#include "platform/xbase/cdx_tag_header.h"

#include <cstring>

namespace xbase::cdx {

std::array<Page, 2> encodeTagHeader(const TagHeader& h) {
  std::array<Page, 2> pages{};
  Page& head = pages[0];
  Page& pool = pages[1];
  putLe32(head.data(), h.root);
  putLe16(head.data() + 12, uint16_t(h.keyLength));
  head[14] = h.options;
  head[15] = 0x01;
  const size_t keyLen = std::min<size_t>(h.expression.size(), 510);
  const size_t forLen = std::min<size_t>(h.forExpression.size(), 510 - keyLen);
  putLe16(head.data() + 502, h.descending ? 1 : 0);
  putLe16(head.data() + 504, uint16_t(keyLen + 1));
  putLe16(head.data() + 506, uint16_t(forLen + 1));
  putLe16(head.data() + 508, 0);
  putLe16(head.data() + 510, uint16_t(keyLen + 1));
  std::memcpy(pool.data(), h.expression.data(), keyLen);
  std::memcpy(pool.data() + keyLen + 1, h.forExpression.data(), forLen);
  return pages;
}

namespace {

std::string textAt(const Page& pool, size_t from) {
  std::string s;
  for (size_t i = from; i < kPageSize && pool[i] != 0; ++i) s.push_back(char(pool[i]));
  return s;
}

}  // namespace

std::string decodeTagHeader(const Page& head, const Page& pool, TagHeader& out) {
  out.root = getLe32(head.data());
  out.keyLength = getLe16(head.data() + 12);
  out.options = head[14];
  out.descending = getLe16(head.data() + 502) != 0;
  out.expression = textAt(pool, 0);
  size_t forAt = getLe16(head.data() + 504);
  if (forAt == 0 || forAt >= kPageSize) forAt = out.expression.size() + 1;
  out.forExpression = (out.options & kOptFor) ? textAt(pool, forAt) : std::string();
  if (out.keyLength < 1 || out.keyLength > kMaxKeyLength)
    return "the tag header gives a key length of " + std::to_string(out.keyLength);
  return {};
}

TagHeader directoryHeader(uint32_t root) {
  TagHeader h;
  h.root = root;
  h.keyLength = kDirectoryKeyLength;
  h.options = kOptDirectory | kOptCompound | kOptCompact;
  return h;
}

}  // namespace xbase::cdx
