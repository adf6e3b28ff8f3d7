// Table: one open table (.dbf) with its memo file (.fpt) and structural
// compound index (.cdx): share mode, lock scheme and the write protocols.
//
// Contract:
// - Opening takes a flock() share mode on every file (shared or exclusive);
//   a refusal is "in use". The structural index is opened when the header's
//   flag says there is one; a missing or damaged index does not stop the
//   table from opening, but every use of it (tag order, seek, any change,
//   which must keep every tag) raises that error until re-indexing repairs it.
// - Shared writes follow the FoxPro protocol: append = header lock, count
//   from the file size, lock record N+1, write record and end mark, write
//   the header count, release the header lock, update every tag, release the
//   record lock. Rewrite = record lock, re-read, merge the changed columns
//   into the fresh record, memos first, record, tags. Delete = record lock,
//   flag byte. Exclusive opens take no byte locks.
// - Memos are written before the record that points at them. Nothing is
//   fsync'ed per row.
// - Pack and zap write the new table file beside the old one and rename it
//   over (crash: either the old or the new table), then rebuild the index.
//   Pack keeps memo blocks where they are.
// - A tag whose key is not a plain column (or that has a FOR clause) can be
//   read but not kept: changes to such a table are refused.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xbase/cdx_index.h"
#include "platform/xbase/cursor.h"
#include "platform/xbase/dbf_file.h"
#include "platform/xbase/lock.h"
#include "platform/xbase/memo_file.h"

namespace xbase {

class Table {
 public:
  struct Tag {
    TagInfo info;
    int cdxIndex = -1;
    int field = -1;          // the column of the key, -1 when not a plain column
    bool computable = false;  // we can compute its keys (and so keep it)
  };
  struct MemoValue {
    int field = -1;
    std::string text;
  };

  static std::unique_ptr<Table> open(const std::string& folder, const std::string& fileName, OpenMode mode);
  static std::unique_ptr<Table> create(const std::string& folder, const TableDef& def);
  ~Table();

  const std::string& folder() const { return folder_; }
  const std::string& fileName() const { return dbf_->fileName(); }
  const std::string& path() const { return dbf_->path(); }
  bool exclusive() const { return exclusive_; }
  bool writable() const { return writable_; }
  DbfFile& dbf() { return *dbf_; }
  const DbfFile& dbf() const { return *dbf_; }
  const std::vector<FieldLayout>& fields() const { return dbf_->fields(); }
  // Raises "Field 'X' not found in table 'Y'".
  int fieldIndex(std::string_view column) const;

  bool hasIndex() const { return (dbf_->flags() & kFlagStructuralIndex) != 0; }
  // The open index; raises the reason when it is missing or damaged.
  CdxFile& index();
  const std::string& indexName() const { return indexName_; }
  const std::vector<Tag>& tags() const { return tags_; }
  int findTag(std::string_view name) const;  // -1 when absent

  std::string keyOf(const Tag& tag, const char* record) const;
  // keyOf(tag, record) == key, without building the key for text columns.
  bool keyEquals(const Tag& tag, const char* record, std::string_view key) const;
  // The key a column value has in `tag` (value stored as a write would).
  std::string keyForValue(const Tag& tag, std::string_view value) const;

  uint32_t count() const { return count_; }
  uint32_t refresh();
  // Reads record `recno` into `buf`; raises when it is past the end.
  void read(uint32_t recno, char* buf);
  std::string memoText(const char* record, int field);

  uint32_t append(std::string& record, const std::vector<MemoValue>& memos);
  // Writes the columns marked in `changed` (and `memos`) into record `recno`
  // as it is on disk now; `record` receives the row as written.
  void rewrite(uint32_t recno, std::string& record, const std::vector<char>& changed,
               const std::vector<MemoValue>& memos);
  void markDeleted(uint32_t recno);

  void pack();
  void zap();
  // Rebuilds every tag. With `tags`, the index is rebuilt (or made) with
  // exactly these tags, which repairs an index that cannot be read.
  void reindex(const std::vector<TagDef>* tags = nullptr);
  void createTag(const std::string& name, const std::string& column, bool unique);

  // Every fault of the table, its memo file and its tags (empty: sound).
  std::vector<std::string> check();

  // Refuses changes when the table cannot be written or a tag cannot be kept.
  void requireWritable();
  void requireExclusive(const char* operation) const;

 private:
  Table() = default;
  void openIndex();
  void loadTags();
  TagInfo describeTag(const std::string& name, const std::string& column, bool unique) const;
  std::vector<IndexEntry> scanEntries(const Tag& tag);
  void rebuildIndex(const std::vector<TagInfo>& tagInfos, bool fresh);
  void replaceTableFile(bool keepLive);
  ByteLock lockRecord(uint32_t recno);
  LockScheme scheme() const;

  std::string folder_;
  bool exclusive_ = false;
  bool writable_ = true;
  std::unique_ptr<DbfFile> dbf_;
  std::unique_ptr<MemoFile> memo_;
  std::unique_ptr<CdxFile> cdx_;
  Fd indexShareFd_;         // holds the share mode of the index file
  std::string indexName_;   // file name of the index (as found or as it will be made)
  std::string indexError_;  // why the index cannot be used
  std::vector<Tag> tags_;
  uint32_t count_ = 0;
  mutable std::string scratch_;  // a record to build keys in
};

}  // namespace xbase
