#include "platform/xbase/cdx_build.h"

#include <algorithm>

#include "platform/system/error.h"

namespace xbase::cdx {

namespace {

LeafWidths tagWidths(const Entries& e) {
  uint32_t maxRec = 0;
  for (uint32_t r : e.recnos) maxRec = std::max(maxRec, r);
  return leafWidths(e.keyLength, maxRec);
}

// Leaves filled in order as far as each one goes.
std::vector<std::pair<size_t, size_t>> leafRuns(const Entries& e, uint8_t fill, const LeafWidths& w) {
  std::vector<std::pair<size_t, size_t>> runs;
  const size_t n = e.size();
  size_t begin = 0;
  int used = 0, prevTrail = 0;
  for (size_t i = 0; i < n; ++i) {
    const int trail = trailCount(e.key(i), fill);
    int cost = w.bytes + e.keyLength - trail;
    if (i > begin) {
      cost -= dupCount(e.key(i - 1), prevTrail, e.key(i), trail);
      if (used + cost > kLeafSpace) {
        runs.emplace_back(begin, i);
        begin = i;
        used = 0;
        cost = w.bytes + e.keyLength - trail;
      }
    }
    used += cost;
    prevTrail = trail;
  }
  runs.emplace_back(begin, n);
  return runs;
}

uint32_t interiorPages(size_t nodes, int cap) {
  uint32_t total = 0;
  while (nodes > 1) {
    nodes = (nodes + size_t(cap) - 1) / size_t(cap);
    total += uint32_t(nodes);
  }
  return total;
}

// Collects pages and writes them in large runs.
class RunWriter {
 public:
  RunWriter(Pager& pager, uint32_t base) : pager_(pager), start_(base) {}
  void add(const Page& page) {
    buf_.insert(buf_.end(), page.begin(), page.end());
    if (buf_.size() >= (1u << 20)) flush();
  }
  void flush() {
    if (buf_.empty()) return;
    pager_.writeRun(start_, buf_.data(), buf_.size());
    start_ += uint32_t(buf_.size());
    buf_.clear();
  }

 private:
  Pager& pager_;
  uint32_t start_;
  std::vector<uint8_t> buf_;
};

}  // namespace

uint32_t buildPageCount(const Entries& sorted, uint8_t fill) {
  const size_t leaves = leafRuns(sorted, fill, tagWidths(sorted)).size();
  return uint32_t(leaves) + interiorPages(leaves, interiorCapacity(sorted.keyLength));
}

uint32_t buildTree(Pager& pager, uint32_t base, const Entries& sorted, uint8_t fill) {
  const int kl = sorted.keyLength;
  const LeafWidths w = tagWidths(sorted);
  const auto runs = leafRuns(sorted, fill, w);
  RunWriter out(pager, base);
  Entries up;
  up.keyLength = kl;
  const size_t leaves = runs.size();
  for (size_t j = 0; j < leaves; ++j) {
    NodeHeader h;
    h.attr = uint16_t(kAttrLeaf | (leaves == 1 ? kAttrRoot : 0));
    h.left = j ? base + uint32_t(j - 1) * kPageSize : kNoPage;
    h.right = j + 1 < leaves ? base + uint32_t(j + 1) * kPageSize : kNoPage;
    Page page;
    if (!encodeLeaf(sorted, runs[j].first, runs[j].second, fill, h, w, page))
      throw sys::Error("Index file '" + pager.path() + "': a leaf did not fit its page");
    out.add(page);
    if (runs[j].second > runs[j].first) {
      const size_t last = runs[j].second - 1;
      up.insert(j, sorted.key(last), sorted.recnos[last], base + uint32_t(j) * kPageSize);
    }
  }
  uint32_t next = base + uint32_t(leaves) * kPageSize;
  uint32_t root = base;
  const size_t cap = size_t(interiorCapacity(kl));
  while (up.size() > 1) {
    const size_t count = (up.size() + cap - 1) / cap;
    Entries level;
    level.keyLength = kl;
    for (size_t k = 0; k < count; ++k) {
      const size_t b = k * cap, e = std::min(up.size(), b + cap);
      NodeHeader h;
      h.attr = count == 1 ? kAttrRoot : 0;
      h.left = k ? next + uint32_t(k - 1) * kPageSize : kNoPage;
      h.right = k + 1 < count ? next + uint32_t(k + 1) * kPageSize : kNoPage;
      Page page;
      encodeInterior(up, b, e, h, kl, page);
      out.add(page);
      level.insert(k, up.key(e - 1), up.recnos[e - 1], next + uint32_t(k) * kPageSize);
    }
    root = next;
    next += uint32_t(count) * kPageSize;
    up = std::move(level);
  }
  out.flush();
  return root;
}

}  // namespace xbase::cdx
