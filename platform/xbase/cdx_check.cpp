// CdxFile::check(): walks every tree of the file level by level and lists
// what is wrong, without throwing and without following any page twice.
#include <optional>
#include <unordered_map>

#include "platform/system/error.h"
#include "platform/xbase/cdx_impl.h"

namespace xbase {

using namespace cdx;

namespace {

class Checker {
 public:
  Checker(Pager& pager, std::vector<std::string>& faults) : pager_(pager), faults_(faults) {}

  void tree(const TreeSpec& layout);
  void freeList();

 private:
  struct Expected {
    std::string key;
    uint32_t recno;
  };
  void fault(const std::string& label, const std::string& what) {
    faults_.push_back("Index file '" + pager_.path() + "' (" + label + "): " + what);
  }

  Pager& pager_;
  std::vector<std::string>& faults_;
  std::unordered_map<uint32_t, std::string> owner_;
};

void Checker::tree(const TreeSpec& layout) {
  const std::string& label = layout.label;
  Page head;
  std::string problem = pager_.tryRead(layout.header, head, true);
  if (!problem.empty()) return fault(label, "tag header: " + problem);
  std::vector<uint32_t> level{getLe32(head.data())};
  std::vector<std::optional<Expected>> expected(1);
  std::string prevKey;
  uint32_t prevRec = 0;
  bool havePrev = false;
  for (int depth = 0; !level.empty(); ++depth) {
    if (depth == kMaxDepth) return fault(label, "the tree is deeper than " + std::to_string(kMaxDepth) + " levels");
    std::vector<uint32_t> next;
    std::vector<std::optional<Expected>> nextExpected;
    std::optional<bool> leafLevel;
    for (size_t idx = 0; idx < level.size(); ++idx) {
      const uint32_t off = level[idx];
      const std::string node = "node " + hexOffset(off);
      auto used = owner_.find(off);
      if (used != owner_.end()) {
        fault(label, node + " is reached twice (also used by " + used->second + ")");
        continue;
      }
      owner_.emplace(off, label);
      Page p;
      problem = pager_.tryRead(off, p);
      if (!problem.empty()) {
        fault(label, problem);
        continue;
      }
      const NodeHeader h = readNodeHeader(p);
      if (h.attr > 3) {
        fault(label, node + " has unknown attributes");
        continue;
      }
      if (h.root() != (depth == 0))
        fault(label, depth == 0 ? "the root " + node + " lacks the root mark"
                                : node + " is marked as root but is not the root");
      if (!leafLevel) leafLevel = h.leaf();
      else if (*leafLevel != h.leaf()) fault(label, node + ": leaves and interior nodes are mixed on one level");
      const uint32_t wantLeft = idx ? level[idx - 1] : kNoPage;
      const uint32_t wantRight = idx + 1 < level.size() ? level[idx + 1] : kNoPage;
      if (h.left != wantLeft || h.right != wantRight) fault(label, "the sibling chain is broken at " + node);

      Entries e;
      if (h.leaf()) {
        LeafReader r;
        problem = r.start(p, layout.keyLength, layout.fill);
        e.keyLength = layout.keyLength;
        for (int i = 0; problem.empty() && i < r.count(); ++i) {
          problem = r.next();
          if (problem.empty()) {
            e.keys.append(r.key());
            e.recnos.push_back(r.recno());
          }
        }
        if (!problem.empty()) {
          fault(label, "leaf " + hexOffset(off) + ": " + problem);
          continue;
        }
        if (r.gap() != r.storedFreeSpace())
          fault(label, "leaf " + hexOffset(off) + " records " + std::to_string(r.storedFreeSpace()) +
                           " free bytes but has " + std::to_string(r.gap()));
      } else {
        problem = decodeInterior(p, layout.keyLength, e);
        if (!problem.empty()) {
          fault(label, node + ": " + problem);
          continue;
        }
      }
      for (size_t i = 1; i < e.size(); ++i)
        if (compareEntry(e.key(i - 1), e.recnos[i - 1], e.key(i), e.recnos[i]) >= 0) {
          fault(label, "keys out of order in " + node);
          break;
        }
      if (h.leaf()) {
        for (size_t i = 0; i < e.size(); ++i) {
          if (havePrev) {
            if (i == 0 && compareEntry(prevKey, prevRec, e.key(0), e.recnos[0]) >= 0)
              fault(label, "keys out of order between " + node + " and the leaf before it");
            if (layout.unique && prevKey == e.key(i))
              fault(label, "the unique tag holds the key '" + std::string(e.key(i)) + "' twice");
          }
          prevKey.assign(e.key(i));
          prevRec = e.recnos[i];
          havePrev = true;
        }
      }
      if (expected[idx] && e.size() == 0) fault(label, node + " is empty but its parent still points at it");
      if (expected[idx] && e.size() > 0 &&
          (expected[idx]->key != e.key(e.size() - 1) || expected[idx]->recno != e.recnos.back()))
        fault(label, "the parent entry of " + node + " is not its last key");
      if (!h.leaf())
        for (size_t i = 0; i < e.size(); ++i) {
          next.push_back(e.children[i]);
          nextExpected.push_back(Expected{std::string(e.key(i)), e.recnos[i]});
        }
    }
    level = std::move(next);
    expected = std::move(nextExpected);
  }
}

void Checker::freeList() {
  const uint64_t pages = pager_.fileSize() / kPageSize;
  uint64_t count = 0;
  for (uint32_t off = pager_.freeHead(); !isEmptyLink(off);) {
    if (++count > pages) return fault("free list", "the free list loops");
    auto used = owner_.find(off);
    if (used != owner_.end())
      return fault("free list", "free page " + hexOffset(off) + " is in use by " + used->second);
    Page p;
    const std::string problem = pager_.tryRead(off, p);
    if (!problem.empty()) return fault("free list", problem);
    owner_.emplace(off, "the free list");
    off = getLe32(p.data());
  }
}

}  // namespace

std::vector<std::string> CdxFile::check() {
  std::vector<std::string> faults;
  try {
    Session s(*this, false);
    Checker checker(*impl_->pager, faults);
    const TreeSpec dirSpec = impl_->directorySpec();
    checker.tree(dirSpec);
    bool directoryRead = true;
    try {
      impl_->loadTags();
    } catch (const sys::Error& e) {
      faults.push_back(e.what());
      directoryRead = false;
    }
    if (directoryRead)
      for (const TagState& t : impl_->tags) checker.tree(t.layout);
    checker.freeList();
  } catch (const sys::Error& e) {
    faults.push_back(e.what());
  }
  return faults;
}

}  // namespace xbase
