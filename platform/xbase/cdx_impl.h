// CdxFile internals shared by the facade and the checker: the pager, the
// tag directory as last read, and the key types known for its tags.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/xbase/cdx_index.h"
#include "platform/xbase/cdx_pager.h"
#include "platform/xbase/cdx_tree.h"

namespace xbase {

struct TagState {
  TagInfo info;
  uint32_t header = 0;  // offset of the tag's 1024-byte header
  cdx::TreeSpec layout;
};

struct CdxFile::Impl {
  Impl(std::unique_ptr<cdx::Pager> pager, KeyTypeResolver keyTypeOf);

  cdx::TreeSpec directorySpec() const;
  // Reads the directory again when another writer changed the file.
  void ensureTags();
  void loadTags();
  TagState& tag(int index);
  std::string_view normalize(const TagState& t, std::string_view key);
  void addTag(const TagInfo& layout, std::vector<IndexEntry> entries);
  // Truncates the file to a compound header with no tag.
  void rewriteEmpty();

  std::unique_ptr<cdx::Pager> pager;
  KeyTypeResolver keyTypeOf;
  std::map<uint32_t, KeyType> knownTypes;  // by header offset
  std::vector<TagState> tags;
  uint64_t tagsGeneration = ~uint64_t(0);
  std::string scratch;
};

}  // namespace xbase
