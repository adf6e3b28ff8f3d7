// CdxFile: a FoxPro compound index (.cdx): several named tags in one file of
// 512-byte pages, each tag a B+-tree with compressed leaves, as FoxPro and
// other FoxPro-compatible engines read and write it.
//
// Contract:
// - Keys are raw key bytes of exactly the tag's key length (see key.h for how
//   character and date keys are made). Entries are ordered by (key bytes as
//   unsigned, record number ascending).
// - A unique tag holds only the first entry inserted for a key value; insert()
//   of a key already present (under any record number) changes nothing. A bulk
//   build (addTag / rebuild) keeps the lowest record number of each key.
// - Every change is made in the file at once (no tag lives only in memory and
//   no tag is rebuilt on a change). Changes happen inside a write session and
//   reads inside a read session (see Session): the session takes the file's
//   FoxPro lock byte (shared for reading, exclusive for writing) unless the
//   file was opened for exclusive use. Pages may be cached only while the
//   change counter at file offset 8 is unchanged; a write session bumps it.
// - Damage (a node offset outside the file or not on a page boundary, a loop,
//   a bad node header, keys out of order) raises sys::Error naming the file and
//   what is wrong; nothing is written into a damaged tree. check() reports
//   every structural fault it finds without throwing. open() checks the
//   compound header and the tag directory; damage inside a tag is found when
//   the tag is used. create() followed by rebuild() repairs any damage.
// - The file does not record whether a tag's keys are character, date or
//   numeric (other engines evaluate the key expression): open() asks the
//   caller's resolver for the type of each tag it reads; without one every
//   tag read from the file is Character. Tags added through this object keep
//   the type they were given.
// - Keys given to seek/insert/remove shorter than the key length are padded
//   with the tag's fill byte (blank for character keys), longer ones are cut.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xbase/key.h"

namespace xbase {

struct TagInfo {
  std::string name;           // upper case, at most 10 characters
  std::string expression;     // key expression text, e.g. "UNIQUE_ID"
  std::string forExpression;  // empty: no FOR clause (we never write one)
  KeyType type = KeyType::Character;
  int keyLength = 0;          // bytes; 8 for date and numeric keys; at most 240
  bool unique = false;
  bool descending = false;    // stored ascending in any case
};

struct IndexEntry {
  std::string key;            // keyLength bytes
  uint32_t recno = 0;
};

class CdxFile {
 public:
  using KeyTypeResolver = std::function<KeyType(const TagInfo&)>;

  // Creates (or truncates) a compound index holding no tag.
  static std::unique_ptr<CdxFile> create(const std::string& path, bool exclusive = false);
  // Opens an existing compound index. `exclusive` = the caller holds the
  // table for exclusive use: no lock bytes are taken.
  static std::unique_ptr<CdxFile> open(const std::string& path, bool writable, bool exclusive,
                                       KeyTypeResolver keyTypeOf = {});
  ~CdxFile();

  CdxFile(const CdxFile&) = delete;
  CdxFile& operator=(const CdxFile&) = delete;

  const std::string& path() const;
  int fd() const;  // the table puts its share-mode flock() on it

  // RAII lock session. Nested sessions on one CdxFile are allowed (only the
  // outermost locks); a write session inside a read session upgrades: the
  // shared lock is given up and the exclusive one awaited (two readers that
  // upgrade at once must not deadlock), so another writer may come first.
  class Session {
   public:
    // `optimistic`: see reading(); only its owner may ask for it.
    Session(CdxFile& file, bool write, bool optimistic = false);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

   private:
    CdxFile& file_;
    bool write_;
    bool upgraded_ = false;
  };

  // Runs `read` inside a read session that goes without the lock while the
  // page cache serves it and no writer has changed the file since the cache
  // was filled. When a writer's change makes the snapshot stale half-way,
  // `read` runs again from the start, so it must begin by resetting whatever
  // it fills in. Inside another session `read` simply runs once.
  void reading(const std::function<void()>& read);

  // Tags in creation order. Valid until the next session sees another
  // writer's change.
  std::vector<TagInfo> tags();
  int findTag(std::string_view name);  // case ignored; -1 when absent

  // Adds a tag and fills it from `entries` (any order) bottom-up.
  void addTag(const TagInfo& layout, std::vector<IndexEntry> entries);
  // Empties every tag (zap) or refills every tag (pack, re-index): the file
  // is rewritten from scratch with the given tags in this order.
  void rebuild(const std::vector<TagInfo>& layouts,
               const std::function<std::vector<IndexEntry>(size_t tagIndex)>& entriesOf);

  void insert(int tag, std::string_view key, uint32_t recno);
  void remove(int tag, std::string_view key, uint32_t recno);  // absent: no change

  // First entry whose key is >= `key` (nearest seek); nullopt past the end.
  std::optional<IndexEntry> seek(int tag, std::string_view key);
  // First entry of the tag, and the entry just after (key, recno).
  std::optional<IndexEntry> first(int tag);
  std::optional<IndexEntry> after(int tag, std::string_view key, uint32_t recno);
  // Ordered walk of the whole tag; stop by returning false.
  void forEach(int tag, const std::function<bool(const IndexEntry&)>& visit);

  // Structural faults of the file (empty = sound).
  std::vector<std::string> check();

  struct Impl;

 private:
  explicit CdxFile(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace xbase
