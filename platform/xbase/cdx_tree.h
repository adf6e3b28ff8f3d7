// CDX tree: one B+-tree of a compound index (a tag, or the tag of tags).
//
// Contract:
// - Entries are ordered by (key bytes unsigned, record number). Each interior
//   entry equals the last entry of its child; nodes of a level are linked
//   through their sibling offsets.
// - Changes are planned on decoded copies of the nodes on the path and
//   written through one Batch, bottom-up: new pages before the pages that
//   link to them, parents after their children, the tree header's root
//   pointer last. A writer killed in the middle leaves at worst a parent
//   entry that is stale or a page nobody links to: searches stay bounded and
//   check() reports what a rebuild repairs.
// - Every walk is bounded: at most kMaxDepth levels, no page twice on a path,
//   no more leaves in a chain than pages in the file. Damage raises sys::Error
//   naming the file and the tree.
// - A unique tree holds one entry per key: insert of a key already present
//   (under any record number) changes nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xbase/cdx_index.h"
#include "platform/xbase/cdx_pager.h"

namespace xbase::cdx {

constexpr int kMaxDepth = 64;

struct TreeSpec {
  uint32_t header = 0;  // page holding the root offset at +0 (tag header)
  int keyLength = 0;
  uint8_t fill = ' ';
  bool unique = false;
  std::string label;  // names the tree in messages, e.g. "tag LINK_ID"
};

class Tree {
 public:
  // `layout` must outlive the Tree.
  Tree(Pager& pager, const TreeSpec& layout);

  uint32_t root();
  // First entry >= (key, recno), or > it when `strict`.
  std::optional<IndexEntry> find(std::string_view key, uint32_t recno, bool strict);
  std::optional<IndexEntry> first();
  void forEach(const std::function<bool(const IndexEntry&)>& visit);
  // false: nothing changed (already present / absent).
  bool insert(std::string_view key, uint32_t recno);
  bool remove(std::string_view key, uint32_t recno);

 private:
  struct Level {
    uint32_t offset = 0;
    NodeHeader header;
    Entries entries;
    size_t index = 0;  // interior: the child taken
  };
  struct Ref {
    std::string key;
    uint32_t recno;
    uint32_t offset;
  };

  // The interior path of a search: offsets, the entry taken and the counts.
  struct FastPath {
    int depth = 0;
    uint32_t offset[kMaxDepth];
    int index[kMaxDepth];
    int count[kMaxDepth];
    uint32_t leaf = 0;
    bool beyond = false;  // the target is above every entry of the tree
  };

  // A checked node; `sound`: a leaf whose free space matches its contents.
  const Page& node(uint32_t offset, NodeHeader& header, bool* sound = nullptr);
  const Page& descendFast(std::string_view key, uint32_t recno, FastPath& path, NodeHeader& leafHeader, bool& sound);
  // The leaf's last entry became (key, recno): the parents' entries follow.
  void fixLastKey(const FastPath& path, std::string_view key, uint32_t recno, Batch& batch);
  void descend(std::string_view key, uint32_t recno, std::vector<Level>& path);
  void apply(std::vector<Level>& path, Batch& batch, bool append);
  std::vector<Ref> writeNode(Level& node, bool isRoot, bool append, Batch& batch);
  std::vector<std::pair<size_t, size_t>> chunks(const Level& node, bool append) const;
  void unlink(const Level& node, Batch& batch);
  void finishRoot(Level& root, bool append, Batch& batch);
  void collapseRoot(Level& root, Batch& batch);
  void setRoot(uint32_t offset, Batch& batch);
  Page sibling(uint32_t offset, bool leaf, Batch& batch);
  [[noreturn]] void damaged(const std::string& what) const;
  // Cache mark of a leaf checked sound for this tree's key length and fill
  // (odd); the even value below it: checked, but its free space figure is off.
  uint16_t soundMark() const { return uint16_t(((spec_.keyLength * 2 + (spec_.fill ? 1 : 0)) << 1) | 1); }

  Pager& pager_;
  const TreeSpec& spec_;
};

}  // namespace xbase::cdx
