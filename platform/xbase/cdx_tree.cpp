#include "platform/xbase/cdx_tree.h"

#include <algorithm>
#include <cstring>

#include "platform/system/error.h"
#include "platform/xbase/cdx_leaf_edit.h"

namespace xbase::cdx {

namespace {

// Comparison of a stored entry with the target (key, recno).
int compareRaw(const char* entryKey, uint32_t entryRec, std::string_view key, uint32_t recno) {
  const int c = std::memcmp(entryKey, key.data(), key.size());
  if (c != 0) return c < 0 ? -1 : 1;
  return entryRec < recno ? -1 : entryRec > recno ? 1 : 0;
}

bool reached(int cmp, bool strict) { return strict ? cmp > 0 : cmp >= 0; }

// First interior entry at or after the target.
int interiorBound(const Page& p, int count, int keyLength, std::string_view key, uint32_t recno, bool strict) {
  int lo = 0, hi = count;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    const int c = compareRaw(reinterpret_cast<const char*>(interiorEntry(p, mid, keyLength)),
                             interiorRecno(p, mid, keyLength), key, recno);
    if (reached(c, strict)) hi = mid;
    else lo = mid + 1;
  }
  return lo;
}

size_t entriesBound(const Entries& e, std::string_view key, uint32_t recno) {
  size_t lo = 0, hi = e.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (compareRaw(e.key(mid).data(), e.recnos[mid], key, recno) >= 0) hi = mid;
    else lo = mid + 1;
  }
  return lo;
}

}  // namespace

Tree::Tree(Pager& pager, const TreeSpec& layout) : pager_(pager), spec_(layout) {}

void Tree::damaged(const std::string& what) const { pager_.damaged(spec_.label, what); }

uint32_t Tree::root() {
  const Page& h = pager_.read(spec_.header, spec_.label, true);
  return getLe32(h.data());
}

const Page& Tree::node(uint32_t offset, NodeHeader& header, bool* sound) {
  uint16_t* mark = nullptr;
  const Page& p = pager_.read(offset, spec_.label, mark);
  header = readNodeHeader(p);
  if (header.attr > 3) damaged("node " + hexOffset(offset) + " has unknown attributes");
  if (header.leaf() && (*mark | 1) != soundMark()) {
    // A leaf is decoded in full once when it enters the cache, so that a
    // search stopping early still refuses a leaf that is damaged further on.
    LeafReader r;
    std::string fault = r.start(p, spec_.keyLength, spec_.fill);
    for (int i = 0; fault.empty() && i < r.count(); ++i) fault = r.next();
    if (!fault.empty()) damaged("leaf " + hexOffset(offset) + ": " + fault);
    *mark = r.gap() == r.storedFreeSpace() ? soundMark() : uint16_t(soundMark() - 1);
  }
  if (sound) *sound = *mark == soundMark();
  if (!header.leaf()) {
    if (header.count == 0) damaged("interior node " + hexOffset(offset) + " holds no key");
    if (header.count > interiorCapacity(spec_.keyLength))
      damaged("interior node " + hexOffset(offset) + " claims " + std::to_string(header.count) +
              " keys, more than fit");
  }
  return p;
}

std::optional<IndexEntry> Tree::find(std::string_view key, uint32_t recno, bool strict) {
  const int kl = spec_.keyLength;
  uint32_t seen[kMaxDepth];
  int depth = 0;
  uint32_t off = root();
  NodeHeader h;
  const Page* p = &node(off, h);
  while (!h.leaf()) {
    if (depth == kMaxDepth) damaged("the tree is deeper than " + std::to_string(kMaxDepth) + " levels");
    seen[depth++] = off;
    int i = interiorBound(*p, h.count, kl, key, recno, strict);
    if (i == h.count) {
      if (depth == 1) return std::nullopt;  // past the greatest entry
      i = h.count - 1;
    }
    off = interiorChild(*p, i, kl);
    for (int d = 0; d < depth; ++d)
      if (seen[d] == off) damaged("the tree loops back to node " + hexOffset(off));
    p = &node(off, h);
  }
  LeafReader r;
  for (int hops = 0;; ++hops) {
    std::string fault = r.start(*p, kl, spec_.fill);
    if (!fault.empty()) damaged("leaf " + hexOffset(off) + ": " + fault);
    for (int i = 0; i < r.count(); ++i) {
      if (!r.advance()) damaged("leaf " + hexOffset(off) + ": " + r.fault());
      if (reached(r.compareWithTarget(key, recno), strict))
        return IndexEntry{std::string(r.key()), r.recno()};
    }
    if (h.right == kNoPage) return std::nullopt;
    if (hops == kMaxDepth) damaged("the leaf chain after node " + hexOffset(off) + " does not end");
    off = h.right;
    p = &node(off, h);
    if (!h.leaf()) damaged("the right sibling of a leaf is the interior node " + hexOffset(off));
  }
}

std::optional<IndexEntry> Tree::first() {
  std::optional<IndexEntry> found;
  forEach([&](const IndexEntry& e) {
    found = e;
    return false;
  });
  return found;
}

void Tree::forEach(const std::function<bool(const IndexEntry&)>& visit) {
  const int kl = spec_.keyLength;
  uint32_t seen[kMaxDepth];
  int depth = 0;
  uint32_t off = root();
  NodeHeader h;
  const Page* p = &node(off, h);
  while (!h.leaf()) {
    if (depth == kMaxDepth) damaged("the tree is deeper than " + std::to_string(kMaxDepth) + " levels");
    seen[depth++] = off;
    off = interiorChild(*p, 0, kl);
    for (int d = 0; d < depth; ++d)
      if (seen[d] == off) damaged("the tree loops back to node " + hexOffset(off));
    p = &node(off, h);
  }
  // Leaves are read without filling the cache: a walk may touch every page.
  const uint64_t pages = pager_.fileSize() / kPageSize;
  uint64_t visited = 0;
  uint32_t prev = h.left;
  Page buf;
  LeafReader r;
  IndexEntry entry;
  while (off != kNoPage) {
    if (++visited > pages) damaged("the leaf chain loops");
    std::string fault = pager_.tryRead(off, buf);
    if (!fault.empty()) damaged(fault);
    h = readNodeHeader(buf);
    if (!h.leaf() || h.attr > 3) damaged("the leaf chain reaches node " + hexOffset(off) + ", which is no leaf");
    if (h.left != prev) damaged("the sibling chain is broken at leaf " + hexOffset(off));
    fault = r.start(buf, kl, spec_.fill);
    for (int i = 0; fault.empty() && i < r.count(); ++i) {
      fault = r.next();
      if (!fault.empty()) break;
      entry.key.assign(r.key());
      entry.recno = r.recno();
      if (!visit(entry)) return;
    }
    if (!fault.empty()) damaged("leaf " + hexOffset(off) + ": " + fault);
    prev = off;
    off = h.right;
  }
}

void Tree::descend(std::string_view key, uint32_t recno, std::vector<Level>& path) {
  const int kl = spec_.keyLength;
  uint32_t off = root();
  for (;;) {
    if (path.size() == size_t(kMaxDepth))
      damaged("the tree is deeper than " + std::to_string(kMaxDepth) + " levels");
    for (const Level& l : path)
      if (l.offset == off) damaged("the tree loops back to node " + hexOffset(off));
    Level lv;
    lv.offset = off;
    const Page& p = node(off, lv.header);
    if (lv.header.leaf()) {
      const std::string fault = decodeLeaf(p, kl, spec_.fill, lv.entries);
      if (!fault.empty()) damaged("leaf " + hexOffset(off) + ": " + fault);
      path.push_back(std::move(lv));
      return;
    }
    decodeInterior(p, kl, lv.entries);
    size_t i = entriesBound(lv.entries, key, recno);
    if (i == lv.entries.size()) i = i - 1;  // beyond the greatest: the last child takes it
    lv.index = i;
    off = lv.entries.children[i];
    path.push_back(std::move(lv));
  }
}

const Page& Tree::descendFast(std::string_view key, uint32_t recno, FastPath& path, NodeHeader& h, bool& sound) {
  const int kl = spec_.keyLength;
  path.depth = 0;
  path.beyond = true;
  uint32_t off = root();
  const Page* p = &node(off, h, &sound);
  while (!h.leaf()) {
    if (path.depth == kMaxDepth) damaged("the tree is deeper than " + std::to_string(kMaxDepth) + " levels");
    int i = interiorBound(*p, h.count, kl, key, recno, false);
    if (i == h.count) i = h.count - 1;  // beyond the greatest: the last child takes it
    else path.beyond = false;
    path.offset[path.depth] = off;
    path.index[path.depth] = i;
    path.count[path.depth] = h.count;
    ++path.depth;
    off = interiorChild(*p, i, kl);
    for (int d = 0; d < path.depth; ++d)
      if (path.offset[d] == off) damaged("the tree loops back to node " + hexOffset(off));
    p = &node(off, h, &sound);
  }
  path.leaf = off;
  return *p;
}

void Tree::fixLastKey(const FastPath& path, std::string_view key, uint32_t recno, Batch& batch) {
  const int kl = spec_.keyLength;
  for (int d = path.depth - 1; d >= 0; --d) {
    Page p = pager_.read(path.offset[d], spec_.label);
    uint8_t* e = p.data() + kInteriorHeaderSize + path.index[d] * (kl + 8);
    std::memcpy(e, key.data(), size_t(kl));
    putBe32(e + kl, recno);
    batch.put(path.offset[d], p);
    if (path.index[d] + 1 != path.count[d]) return;  // not the parent's last entry: nothing above changes
  }
}

bool Tree::insert(std::string_view key, uint32_t recno) {
  // Common case: the entry fits its leaf, edited in place.
  {
    FastPath path;
    NodeHeader h;
    bool sound = false;
    const uint32_t target = spec_.unique ? 0 : recno;
    const Page& leaf = descendFast(key, target, path, h, sound);
    LeafEdit edit;
    std::string fault = "scan";
    if (path.beyond && path.depth > 0 && sound) {
      // Appending above the greatest entry: the parent entry is the leaf's last.
      const Page& parent = pager_.read(path.offset[path.depth - 1], spec_.label);
      const int last = path.index[path.depth - 1];
      fault = edit.locateEnd(leaf, spec_.keyLength, spec_.fill, interiorKey(parent, last, spec_.keyLength),
                             interiorRecno(parent, last, spec_.keyLength));
    }
    if (!fault.empty()) fault = edit.locate(leaf, spec_.keyLength, spec_.fill, key, target);
    if (!fault.empty()) damaged("leaf " + hexOffset(path.leaf) + ": " + fault);
    if (edit.atEntry() && edit.entryKey() == key && (spec_.unique || edit.entryRecno() == recno)) return false;
    Page out;
    if (sound && edit.insert(key, recno, out)) {
      Batch batch(pager_, soundMark());
      batch.put(path.leaf, out);
      if (edit.pos() == edit.count()) fixLastKey(path, key, recno, batch);
      batch.commit();
      return true;
    }
  }
  std::vector<Level> path;
  descend(key, spec_.unique ? 0 : recno, path);
  Entries& e = path.back().entries;
  const size_t pos = entriesBound(e, key, spec_.unique ? 0 : recno);
  if (pos < e.size() && e.key(pos) == key && (spec_.unique || e.recnos[pos] == recno)) return false;
  e.insert(pos, key, recno);
  Batch batch(pager_, soundMark());
  apply(path, batch, pos + 1 == e.size());
  batch.commit();
  return true;
}

bool Tree::remove(std::string_view key, uint32_t recno) {
  {
    FastPath path;
    NodeHeader h;
    bool sound = false;
    const Page& leaf = descendFast(key, recno, path, h, sound);
    LeafEdit edit;
    const std::string fault = edit.locate(leaf, spec_.keyLength, spec_.fill, key, recno);
    if (!fault.empty()) damaged("leaf " + hexOffset(path.leaf) + ": " + fault);
    if (!edit.atEntry() || edit.entryKey() != key || edit.entryRecno() != recno) return false;
    Page out;
    if (sound && edit.erase(out)) {
      Batch batch(pager_, soundMark());
      batch.put(path.leaf, out);
      if (edit.pos() + 1 == edit.count()) fixLastKey(path, edit.prevKey(), edit.prevRecno(), batch);
      batch.commit();
      return true;
    }
  }
  std::vector<Level> path;
  descend(key, recno, path);
  Entries& e = path.back().entries;
  const size_t pos = entriesBound(e, key, recno);
  if (pos == e.size() || e.key(pos) != key || e.recnos[pos] != recno) return false;
  e.erase(pos);
  Batch batch(pager_, soundMark());
  apply(path, batch, false);
  batch.commit();
  return true;
}

void Tree::apply(std::vector<Level>& path, Batch& batch, bool append) {
  for (size_t d = path.size() - 1;; --d) {
    Level& lv = path[d];
    if (d == 0) {
      finishRoot(lv, append, batch);
      return;
    }
    std::vector<Ref> out;
    if (lv.entries.size() == 0) unlink(lv, batch);
    else out = writeNode(lv, false, append, batch);
    Level& parent = path[d - 1];
    const size_t i = parent.index;
    const bool wasLast = i + 1 == parent.entries.size();
    if (out.size() == 1 && out[0].key == parent.entries.key(i) && out[0].recno == parent.entries.recnos[i])
      return;  // the parents stay as they are
    parent.entries.erase(i);
    for (size_t k = 0; k < out.size(); ++k)
      parent.entries.insert(i + k, out[k].key, out[k].recno, out[k].offset);
    append = append && wasLast;
  }
}

std::vector<std::pair<size_t, size_t>> Tree::chunks(const Level& node, bool append) const {
  const Entries& e = node.entries;
  const size_t n = e.size();
  if (n == 0) return {{0, 0}};
  if (!node.header.leaf()) {
    const size_t cap = size_t(interiorCapacity(spec_.keyLength));
    if (n <= cap) return {{0, n}};
    if (append && n == cap + 1) return {{0, cap}, {cap, n}};
    const size_t parts = (n + cap - 1) / cap;
    std::vector<std::pair<size_t, size_t>> out;
    for (size_t j = 0; j < parts; ++j) out.emplace_back(j * n / parts, (j + 1) * n / parts);
    return out;
  }
  // Leaf: byte cost of a run of entries with the widths for the node's
  // largest record number (each part's own widths are never wider).
  uint32_t maxRec = 0;
  for (uint32_t r : e.recnos) maxRec = std::max(maxRec, r);
  const int bpe = leafWidths(spec_.keyLength, maxRec).bytes;
  std::vector<int> full(n), prefix(n + 1, 0);
  int prevTrail = 0;
  for (size_t i = 0; i < n; ++i) {
    const int trail = trailCount(e.key(i), spec_.fill);
    const int dup = i == 0 ? 0 : dupCount(e.key(i - 1), prevTrail, e.key(i), trail);
    full[i] = spec_.keyLength - trail;
    prefix[i + 1] = prefix[i] + spec_.keyLength - dup - trail;
    prevTrail = trail;
  }
  auto bytes = [&](size_t a, size_t b) { return bpe * int(b - a) + full[a] + prefix[b] - prefix[a + 1]; };
  if (bytes(0, n) <= kLeafSpace) return {{0, n}};
  if (append && bytes(0, n - 1) <= kLeafSpace) return {{0, n - 1}, {n - 1, n}};
  size_t best = 0;
  int bestDiff = 1 << 30;
  for (size_t m = 1; m < n; ++m) {
    const int l = bytes(0, m), r = bytes(m, n);
    if (l <= kLeafSpace && r <= kLeafSpace && std::abs(l - r) < bestDiff) {
      best = m;
      bestDiff = std::abs(l - r);
    }
  }
  if (best) return {{0, best}, {best, n}};
  std::vector<std::pair<size_t, size_t>> out;  // long keys: three or more pages
  for (size_t a = 0; a < n;) {
    size_t b = a + 1;
    while (b < n && bytes(a, b + 1) <= kLeafSpace) ++b;
    out.emplace_back(a, b);
    a = b;
  }
  return out;
}

Page Tree::sibling(uint32_t offset, bool leaf, Batch& batch) {
  Page page;
  if (const Page* pending = batch.pending(offset)) {
    page = *pending;
  } else {
    const std::string fault = pager_.tryRead(offset, page);
    if (!fault.empty()) damaged("sibling link: " + fault);
  }
  const NodeHeader h = readNodeHeader(page);
  if (h.attr > 3 || h.leaf() != leaf) damaged("the sibling " + hexOffset(offset) + " is not a node of the same level");
  return page;
}

std::vector<Tree::Ref> Tree::writeNode(Level& node, bool isRoot, bool append, Batch& batch) {
  const Entries& e = node.entries;
  const bool leaf = node.header.leaf();
  const auto parts = chunks(node, append);
  std::vector<uint32_t> offs(parts.size());
  offs[0] = node.offset;
  for (size_t j = 1; j < parts.size(); ++j) offs[j] = batch.allocate();
  // The new right-hand pages first, then the page that links to them.
  for (size_t j = parts.size(); j-- > 0;) {
    NodeHeader h;
    h.attr = uint16_t((leaf ? kAttrLeaf : 0) | (isRoot && parts.size() == 1 ? kAttrRoot : 0));
    h.left = j == 0 ? node.header.left : offs[j - 1];
    h.right = j + 1 < parts.size() ? offs[j + 1] : node.header.right;
    Page page;
    if (leaf) {
      if (!encodeLeaf(e, parts[j].first, parts[j].second, spec_.fill, h, page))
        throw sys::Error("Index file '" + pager_.path() + "': a leaf did not fit its page");
    } else {
      encodeInterior(e, parts[j].first, parts[j].second, h, spec_.keyLength, page);
    }
    batch.put(offs[j], page);
  }
  if (parts.size() > 1 && node.header.right != kNoPage) {
    Page next = sibling(node.header.right, leaf, batch);
    putLe32(next.data() + 4, offs.back());
    batch.put(node.header.right, next);
  }
  std::vector<Ref> refs;
  for (size_t j = 0; j < parts.size(); ++j) {
    if (parts[j].second == parts[j].first) continue;
    const size_t last = parts[j].second - 1;
    refs.push_back(Ref{std::string(e.key(last)), e.recnos[last], offs[j]});
  }
  return refs;
}

void Tree::unlink(const Level& node, Batch& batch) {
  const bool leaf = node.header.leaf();
  if (node.header.left != kNoPage) {
    Page p = sibling(node.header.left, leaf, batch);
    putLe32(p.data() + 8, node.header.right);
    batch.put(node.header.left, p);
  }
  if (node.header.right != kNoPage) {
    Page p = sibling(node.header.right, leaf, batch);
    putLe32(p.data() + 4, node.header.left);
    batch.put(node.header.right, p);
  }
  batch.release(node.offset);
}

void Tree::setRoot(uint32_t offset, Batch& batch) {
  Page h = pager_.read(spec_.header, spec_.label, true);
  putLe32(h.data(), offset);
  batch.put(spec_.header, h);
}

void Tree::finishRoot(Level& root, bool append, Batch& batch) {
  if (!root.header.leaf() && root.entries.size() == 0) {
    // Every child went away: the root becomes an empty leaf.
    root.header.attr = kAttrLeaf | kAttrRoot;
    root.header.left = root.header.right = kNoPage;
    root.entries.children.clear();
    writeNode(root, true, false, batch);
    return;
  }
  if (!root.header.leaf() && root.entries.size() == 1) {
    collapseRoot(root, batch);
    return;
  }
  std::vector<Ref> out = writeNode(root, true, append, batch);
  if (out.size() <= 1) return;
  // The root split: new levels on top until one node holds them all.
  while (out.size() > 1) {
    Level top;
    top.offset = batch.allocate();
    top.header.attr = kAttrRoot;
    top.entries.keyLength = spec_.keyLength;
    for (size_t k = 0; k < out.size(); ++k) top.entries.insert(k, out[k].key, out[k].recno, out[k].offset);
    out = writeNode(top, true, append, batch);
  }
  setRoot(out[0].offset, batch);
}

void Tree::collapseRoot(Level& root, Batch& batch) {
  // An interior root with one child hands the root over to that child.
  uint32_t child = root.entries.children[0];
  batch.release(root.offset);
  for (int depth = 0;; ++depth) {
    if (depth == kMaxDepth) damaged("the tree is deeper than " + std::to_string(kMaxDepth) + " levels");
    Page p;
    if (const Page* pending = batch.pending(child)) {
      p = *pending;
    } else {
      const std::string fault = pager_.tryRead(child, p);
      if (!fault.empty()) damaged(fault);
    }
    NodeHeader h = readNodeHeader(p);
    if (h.attr > 3) damaged("node " + hexOffset(child) + " has unknown attributes");
    if (!h.leaf() && h.count == 1) {
      batch.release(child);
      child = interiorChild(p, 0, spec_.keyLength);
      continue;
    }
    if (!h.leaf() && h.count == 0) damaged("interior node " + hexOffset(child) + " holds no key");
    h.attr = uint16_t(h.attr | kAttrRoot);
    h.left = h.right = kNoPage;
    writeNodeHeader(p, h);
    batch.put(child, p);
    setRoot(child, batch);
    return;
  }
}

}  // namespace xbase::cdx
