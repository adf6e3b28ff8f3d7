#include "platform/xbase/table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>

#include "platform/system/error.h"
#include "platform/xbase/field_codec.h"
#include "platform/xbase/file_names.h"
#include "platform/xbase/key.h"

namespace xbase {

namespace {

constexpr uint32_t kScanChunkBytes = 1 << 18;

bool sameFile(int fd, const std::string& path) {
  struct stat a {}, b {};
  if (::fstat(fd, &a) != 0 || ::stat(path.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens a file of the table read-write (read-only when that is all the
// system allows) and takes its share mode; retries when the name was
// replaced (pack renames a new file over the old) between open and lock.
Fd openShared(const std::string& path, const std::string& name, const std::string& what, bool exclusive,
              bool& writable) {
  for (int attempt = 0;; ++attempt) {
    int flags = writable ? O_RDWR : O_RDONLY;
    int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0 && writable && (errno == EACCES || errno == EROFS)) {
      writable = false;
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) throw sys::Error("Cannot open " + what + " '" + path + "': " + systemReason(errno));
    Fd owned(fd);
    if (!shareLock(fd, exclusive)) {
      if (exclusive) throw sys::Error("Cannot open '" + name + "' exclusively: it is in use by another program");
      throw sys::Error("Cannot open '" + name + "': it is opened exclusively by another program");
    }
    if (sameFile(fd, path) || attempt >= 10) return owned;
  }
}

void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

std::string tempNameFor(const std::string& fileName) { return "." + fileName + ".new"; }

}  // namespace

Table::~Table() = default;

std::unique_ptr<Table> Table::open(const std::string& folder, const std::string& fileName, OpenMode mode) {
  std::unique_ptr<Table> t(new Table);
  t->folder_ = folder;
  t->exclusive_ = mode == OpenMode::Exclusive;
  const std::string name = findFile(folder, fileName);
  if (name.empty()) throw sys::Error("Table '" + fileName + "' not found in '" + folder + "'");
  const std::string path = joinPath(folder, name);
  Fd fd = openShared(path, name, "table", t->exclusive_, t->writable_);
  t->dbf_ = std::make_unique<DbfFile>(std::move(fd), path, name);
  if (t->dbf_->hasMemo()) {
    const std::string wanted = companionName(name, "fpt");
    const std::string memoName = findFile(folder, wanted);
    if (memoName.empty()) throw sys::Error("Memo file '" + wanted + "' of table '" + name + "' is missing");
    const std::string memoPath = joinPath(folder, memoName);
    bool memoWritable = t->writable_;
    Fd mfd = openShared(memoPath, memoName, "memo file", t->exclusive_, memoWritable);
    t->writable_ = t->writable_ && memoWritable;
    t->memo_ = std::make_unique<MemoFile>(std::move(mfd), memoPath, memoName, t->exclusive_);
  }
  if (t->hasIndex()) t->openIndex();
  t->refresh();
  return t;
}

void Table::openIndex() {
  const std::string wanted = companionName(fileName(), "cdx");
  const std::string found = findFile(folder_, wanted);
  indexName_ = found.empty() ? wanted : found;
  if (found.empty()) {
    indexError_ = "Index file '" + wanted + "' of table '" + fileName() + "' is missing";
    return;
  }
  const std::string path = joinPath(folder_, found);
  bool w = writable_;
  indexShareFd_ = openShared(path, found, "index file", exclusive_, w);
  writable_ = writable_ && w;
  try {
    // The index does not record key types: a tag on a date or number column
    // has keys of that type.
    const DbfFile* dbf = dbf_.get();
    cdx_ = CdxFile::open(path, writable_, exclusive_, [dbf](const TagInfo& info) {
      std::string expr = upperAscii(info.expression);
      while (!expr.empty() && expr.back() == ' ') expr.pop_back();
      while (!expr.empty() && expr.front() == ' ') expr.erase(expr.begin());
      const int f = dbf->findField(expr);
      if (f < 0) return KeyType::Character;
      const FieldType type = dbf->fields()[size_t(f)].def.type;
      if (type == FieldType::Date) return KeyType::Date;
      if (type == FieldType::Numeric) return KeyType::Numeric;
      return KeyType::Character;
    });
    loadTags();
  } catch (const sys::Error& e) {
    indexError_ = e.what();
    tags_.clear();
  }
}

void Table::loadTags() {
  std::vector<Tag> tags;
  CdxFile::Session s(*cdx_, false);
  const std::vector<TagInfo> infos = cdx_->tags();
  for (size_t i = 0; i < infos.size(); ++i) {
    Tag t;
    t.info = infos[i];
    t.cdxIndex = int(i);
    std::string expr = upperAscii(infos[i].expression);
    while (!expr.empty() && expr.back() == ' ') expr.pop_back();
    while (!expr.empty() && expr.front() == ' ') expr.erase(expr.begin());
    t.field = dbf_->findField(expr);
    if (t.field >= 0 && infos[i].forExpression.empty()) {
      const FieldType ft = dbf_->fields()[size_t(t.field)].def.type;
      const char letter = dbf_->fields()[size_t(t.field)].type;
      t.computable = (letter == 'C' && infos[i].type == KeyType::Character && infos[i].keyLength > 0) ||
                     (ft == FieldType::Date && infos[i].type == KeyType::Date && infos[i].keyLength == 8) ||
                     (ft == FieldType::Numeric && infos[i].type == KeyType::Numeric && infos[i].keyLength == 8);
    }
    tags.push_back(std::move(t));
  }
  tags_ = std::move(tags);
}

int Table::fieldIndex(std::string_view column) const {
  const int i = dbf_->findField(column);
  if (i < 0) throw sys::Error("Field '" + std::string(column) + "' not found in table '" + fileName() + "'");
  return i;
}

CdxFile& Table::index() {
  if (!hasIndex()) throw sys::Error("Table '" + fileName() + "' has no index");
  if (!indexError_.empty() || !cdx_) throw sys::Error(indexError_);
  return *cdx_;
}

int Table::findTag(std::string_view name) const {
  for (size_t i = 0; i < tags_.size(); ++i)
    if (equalNoCase(tags_[i].info.name, name)) return int(i);
  return -1;
}

std::string Table::keyOf(const Tag& tag, const char* record) const {
  const FieldLayout& f = dbf_->fields()[size_t(tag.field)];
  const FieldCodec codec(f, fileName());
  switch (tag.info.type) {
    case KeyType::Character:
      return characterKey(codec.raw(record), tag.info.keyLength);
    case KeyType::Date: {
      const Ymd d = codec.date(record);
      return dateKey(d.year, d.month, d.day);
    }
    case KeyType::Numeric:
      return numericKey(codec.number(record));
  }
  return {};
}

bool Table::keyEquals(const Tag& tag, const char* record, std::string_view key) const {
  if (tag.info.type != KeyType::Character) return keyOf(tag, record) == key;
  const FieldLayout& f = dbf_->fields()[size_t(tag.field)];
  const size_t keyLength = size_t(tag.info.keyLength);
  if (key.size() != keyLength) return false;
  const size_t shared = std::min(keyLength, size_t(f.def.length));
  if (std::memcmp(record + f.offset, key.data(), shared) != 0) return false;
  for (size_t i = shared; i < keyLength; ++i)
    if (key[i] != ' ') return false;
  return true;
}

std::string Table::keyForValue(const Tag& tag, std::string_view value) const {
  if (scratch_.size() != dbf_->recordLength()) scratch_ = dbf_->blankRecord();
  const FieldLayout& f = dbf_->fields()[size_t(tag.field)];
  FieldCodec(f, fileName()).setText(scratch_.data(), value);
  return keyOf(tag, scratch_.data());
}

uint32_t Table::refresh() {
  if (exclusive_) {
    count_ = dbf_->count();
    return count_;
  }
  try {
    count_ = dbf_->count();
  } catch (const sys::Error&) {
    // Another writer may stand between its record and header writes: look
    // again once it has let go of the header.
    const LockScheme s = scheme();
    lockBytes(dbf_->fd(), s.headerOffset(), 1, true, true);
    ByteLock held(dbf_->fd(), s.headerOffset(), 1);
    count_ = dbf_->count();
  }
  return count_;
}

void Table::read(uint32_t recno, char* buf) {
  if (recno == 0 || recno > count_) {
    if (recno != 0) refresh();
    if (recno == 0 || recno > count_)
      throw sys::Error("Record " + std::to_string(recno) + " is out of range in table '" + fileName() + "' (" +
                       std::to_string(count_) + " rows)");
  }
  dbf_->readRecord(recno, buf);
}

std::string Table::memoText(const char* record, int field) {
  const FieldCodec codec(dbf_->fields()[size_t(field)], fileName());
  const uint32_t block = codec.memoBlock(record);
  if (block == 0) return {};
  if (!memo_) throw sys::Error("Table '" + fileName() + "' has no memo file");
  return memo_->read(block);
}

LockScheme Table::scheme() const {
  LockScheme s;
  s.structuralIndex = hasIndex();
  s.headerLength = dbf_->headerLength();
  s.recordLength = dbf_->recordLength();
  return s;
}

void Table::requireWritable() {
  if (!writable_) throw sys::Error("Table '" + fileName() + "' is read-only");
  if (!hasIndex()) return;
  index();
  for (const Tag& t : tags_)
    if (!t.computable)
      throw sys::Error("Table '" + fileName() + "' cannot be changed: its index tag '" + t.info.name +
                       "' has the key '" + t.info.expression +
                       (t.info.forExpression.empty() ? "'" : "' with a FOR clause") +
                       ", which this engine cannot keep");
}

void Table::requireExclusive(const char* operation) const {
  if (!exclusive_)
    throw sys::Error(std::string("Table '") + fileName() + "' must be opened exclusively to " + operation);
}

ByteLock Table::lockRecord(uint32_t recno) {
  if (exclusive_) return {};
  const off_t at = scheme().recordOffset(recno);
  if (!lockBytesFor(dbf_->fd(), at, 1, true, recordLockTimeout()))
    throw sys::Error("Record " + std::to_string(recno) + " of table '" + fileName() +
                     "' is locked by another program");
  return ByteLock(dbf_->fd(), at, 1);
}

uint32_t Table::append(std::string& record, const std::vector<MemoValue>& memos) {
  requireWritable();
  record[0] = kLive;
  for (const MemoValue& m : memos) {
    const FieldCodec codec(dbf_->fields()[size_t(m.field)], fileName());
    if (!memo_) throw sys::Error("Table '" + fileName() + "' has no memo file");
    codec.setMemoBlock(record.data(), memo_->write(m.text, 0));
  }
  const LockScheme s = scheme();
  ByteLock header;
  ByteLock row;
  uint32_t n = count_;
  if (!exclusive_) {
    lockBytes(dbf_->fd(), s.headerOffset(), 1, true, true);
    header = ByteLock(dbf_->fd(), s.headerOffset(), 1);
    n = dbf_->countFromSize();
  }
  const uint32_t recno = n + 1;
  if (recno == 0 || dbf_->recordOffset(recno) + off_t(dbf_->recordLength()) + 1 > s.dataLimit(recno))
    throw sys::Error("Table '" + fileName() + "' is full");
  if (!exclusive_) {
    if (!lockBytes(dbf_->fd(), s.recordOffset(recno), 1, true, false))
      throw sys::Error("Record " + std::to_string(recno) + " of table '" + fileName() +
                       "' is locked by another program");
    row = ByteLock(dbf_->fd(), s.recordOffset(recno), 1);
  }
  try {
    dbf_->writeAppended(recno, record.data());
  } catch (...) {
    // A short write (disk full) must not leave a torn row behind.
    ::ftruncate(dbf_->fd(), dbf_->recordOffset(recno));
    throw;
  }
  dbf_->writeHeaderCount(recno);
  header.release();
  count_ = recno;
  if (cdx_ && !tags_.empty()) {
    CdxFile::Session w(*cdx_, true);
    for (const Tag& t : tags_) cdx_->insert(t.cdxIndex, keyOf(t, record.data()), recno);
  }
  return recno;
}

void Table::rewrite(uint32_t recno, std::string& record, const std::vector<char>& changed,
                    const std::vector<MemoValue>& memos) {
  requireWritable();
  ByteLock lock = lockRecord(recno);
  std::string fresh(dbf_->recordLength(), ' ');
  read(recno, fresh.data());
  if (fresh[0] == kDeleted)
    throw sys::Error("Record " + std::to_string(recno) + " of table '" + fileName() + "' has been deleted");
  std::string merged = fresh;
  const auto& fields = dbf_->fields();
  for (size_t i = 0; i < fields.size() && i < changed.size(); ++i)
    if (changed[i] && fields[i].def.type != FieldType::Memo)
      std::memcpy(merged.data() + fields[i].offset, record.data() + fields[i].offset, size_t(fields[i].def.length));
  for (const MemoValue& m : memos) {
    const FieldCodec codec(fields[size_t(m.field)], fileName());
    if (!memo_) throw sys::Error("Table '" + fileName() + "' has no memo file");
    codec.setMemoBlock(merged.data(), memo_->write(m.text, codec.memoBlock(fresh.data())));
  }
  if (merged != fresh) {
    dbf_->writeRecord(recno, merged.data());
    if (cdx_ && !tags_.empty()) {
      CdxFile::Session w(*cdx_, true);
      for (const Tag& t : tags_) {
        const std::string oldKey = keyOf(t, fresh.data());
        const std::string newKey = keyOf(t, merged.data());
        if (oldKey == newKey) continue;
        cdx_->remove(t.cdxIndex, oldKey, recno);
        cdx_->insert(t.cdxIndex, newKey, recno);
      }
    }
  }
  record = std::move(merged);
}

void Table::markDeleted(uint32_t recno) {
  if (!writable_) throw sys::Error("Table '" + fileName() + "' is read-only");
  ByteLock lock = lockRecord(recno);
  char flag = 0;
  if (recno == 0 || recno > count_) refresh();
  if (recno == 0 || recno > count_ ||
      readAt(dbf_->fd(), &flag, 1, dbf_->recordOffset(recno), fileName()) != 1)
    throw sys::Error("Record " + std::to_string(recno) + " is out of range in table '" + fileName() + "'");
  if (flag != kDeleted) dbf_->writeDeletionFlag(recno, kDeleted);
}

void Table::replaceTableFile(bool keepLive) {
  const std::string tmpName = tempNameFor(fileName());
  const std::string tmpPath = joinPath(folder_, tmpName);
  ::unlink(tmpPath.c_str());
  struct stat st {};
  ::fstat(dbf_->fd(), &st);
  Fd nfd = openFile(tmpPath, O_RDWR | O_CREAT | O_EXCL, "table", st.st_mode & 0777);
  try {
    shareLock(nfd.get(), true);
    const uint32_t hl = dbf_->headerLength();
    const uint32_t rl = dbf_->recordLength();
    std::string header(hl, '\0');
    readAt(dbf_->fd(), header.data(), hl, 0, fileName());
    writeAt(nfd.get(), header.data(), hl, 0, tmpName);
    uint32_t out = 0;
    if (keepLive) {
      const uint32_t perChunk = std::max<uint32_t>(1, kScanChunkBytes / rl);
      std::string in(size_t(perChunk) * rl, ' ');
      std::string kept;
      for (uint32_t first = 1; first <= count_;) {
        const uint32_t want = std::min(perChunk, count_ - first + 1);
        const uint32_t got = dbf_->readRecords(first, want, in.data());
        if (got == 0) break;
        kept.clear();
        for (uint32_t i = 0; i < got; ++i)
          if (in[size_t(i) * rl] != kDeleted) kept.append(in, size_t(i) * rl, rl);
        writeAt(nfd.get(), kept.data(), kept.size(), off_t(hl) + off_t(out) * rl, tmpName);
        out += uint32_t(kept.size() / rl);
        first += got;
      }
    }
    const char eof = 0x1A;
    writeAt(nfd.get(), &eof, 1, off_t(hl) + off_t(out) * rl, tmpName);
    DbfFile::writeHeaderCount(nfd.get(), tmpName, out);
    syncFile(nfd.get(), tmpName);
    if (::rename(tmpPath.c_str(), dbf_->path().c_str()) != 0)
      throw sys::Error("Cannot replace '" + fileName() + "': " + systemReason(errno));
    syncFolder(folder_);
    dbf_->replaceFd(std::move(nfd));
    count_ = out;
  } catch (...) {
    ::unlink(tmpPath.c_str());
    throw;
  }
}

void Table::pack() {
  requireExclusive("pack it");
  requireWritable();
  refresh();
  replaceTableFile(true);
  if (hasIndex()) reindex();
}

void Table::zap() {
  requireExclusive("zap it");
  requireWritable();
  replaceTableFile(false);
  if (memo_) memo_->reset();
  if (hasIndex()) reindex();
}

TagInfo Table::describeTag(const std::string& name, const std::string& column, bool unique) const {
  const FieldLayout& f = dbf_->fields()[size_t(fieldIndex(column))];
  const std::string tagName = upperAscii(name);
  if (tagName.empty() || tagName.size() > 10)
    throw sys::Error("Cannot create tag '" + name + "' in table '" + fileName() +
                     "': a tag name has 1 to 10 characters");
  TagInfo info;
  info.name = tagName;
  info.expression = f.def.name;
  info.unique = unique;
  if (f.type == 'C') {
    if (f.def.length > 240)
      throw sys::Error("Cannot index column '" + f.def.name + "' of table '" + fileName() +
                       "': keys are limited to 240 bytes");
    info.type = KeyType::Character;
    info.keyLength = f.def.length;
  } else if (f.def.type == FieldType::Date) {
    info.type = KeyType::Date;
    info.keyLength = 8;
  } else if (f.def.type == FieldType::Numeric) {
    info.type = KeyType::Numeric;
    info.keyLength = 8;
  } else {
    throw sys::Error("Cannot index column '" + f.def.name + "' of table '" + fileName() +
                     "': only text, number and date columns can be indexed");
  }
  return info;
}

std::vector<IndexEntry> Table::scanEntries(const Tag& tag) {
  std::vector<IndexEntry> entries;
  entries.reserve(count_);
  const uint32_t rl = dbf_->recordLength();
  const uint32_t perChunk = std::max<uint32_t>(1, kScanChunkBytes / rl);
  std::string in(size_t(perChunk) * rl, ' ');
  for (uint32_t first = 1; first <= count_;) {
    const uint32_t got = dbf_->readRecords(first, std::min(perChunk, count_ - first + 1), in.data());
    if (got == 0) break;
    for (uint32_t i = 0; i < got; ++i)
      entries.push_back({keyOf(tag, in.data() + size_t(i) * rl), first + i});
    first += got;
  }
  return entries;
}

void Table::rebuildIndex(const std::vector<TagInfo>& tagInfos, bool fresh) {
  if (fresh || !cdx_ || !indexError_.empty()) {
    cdx_.reset();
    const std::string name = indexName_.empty() ? companionName(fileName(), "cdx") : indexName_;
    const std::string path = joinPath(folder_, name);
    cdx_ = CdxFile::create(path, exclusive_);
    indexName_ = name;
    if (indexShareFd_.get() < 0 || !sameFile(indexShareFd_.get(), path)) {
      Fd share = openFile(path, O_RDONLY, "index file");
      indexShareFd_.reset();
      if (!shareLock(share.get(), true))
        throw sys::Error("Cannot open '" + name + "' exclusively: it is in use by another program");
      indexShareFd_ = std::move(share);
    }
    indexError_.clear();
    tags_.clear();
  }
  if (!hasIndex()) dbf_->setFlags(uint8_t(dbf_->flags() | kFlagStructuralIndex));
  std::vector<Tag> planned;
  for (size_t i = 0; i < tagInfos.size(); ++i) {
    Tag t;
    t.info = tagInfos[i];
    t.cdxIndex = int(i);
    t.field = dbf_->findField(tagInfos[i].expression);
    planned.push_back(t);
  }
  {
    CdxFile::Session w(*cdx_, true);
    cdx_->rebuild(tagInfos, [&](size_t i) { return scanEntries(planned[i]); });
  }
  loadTags();
}

void Table::reindex(const std::vector<TagDef>* tags) {
  requireExclusive("re-index it");
  if (!writable_) throw sys::Error("Table '" + fileName() + "' is read-only");
  refresh();
  std::vector<TagInfo> tagInfos;
  if (tags) {
    if (tags->empty() && !hasIndex()) return;
    for (const TagDef& d : *tags) tagInfos.push_back(describeTag(d.name, d.name, d.unique));
    rebuildIndex(tagInfos, false);
    return;
  }
  if (!hasIndex()) return;
  index();
  for (const Tag& t : tags_) {
    if (!t.computable)
      throw sys::Error("Cannot re-index table '" + fileName() + "': its tag '" + t.info.name + "' has the key '" +
                       t.info.expression + "', which this engine cannot compute");
    tagInfos.push_back(t.info);
  }
  rebuildIndex(tagInfos, false);
}

void Table::createTag(const std::string& name, const std::string& column, bool unique) {
  requireExclusive("create a tag");
  if (!writable_) throw sys::Error("Table '" + fileName() + "' is read-only");
  refresh();
  const TagInfo wanted = describeTag(name, column, unique);
  if (!hasIndex() || !cdx_ || !indexError_.empty()) {
    // No index yet, or one that cannot be read: start a new one.
    rebuildIndex({wanted}, true);
    return;
  }
  std::vector<TagInfo> tagInfos;
  bool replaced = false;
  for (const Tag& t : tags_) {
    if (equalNoCase(t.info.name, wanted.name)) {
      tagInfos.push_back(wanted);
      replaced = true;
    } else {
      tagInfos.push_back(t.info);
    }
  }
  if (replaced) {
    rebuildIndex(tagInfos, false);
    return;
  }
  Tag t;
  t.info = wanted;
  t.field = dbf_->findField(wanted.expression);
  {
    CdxFile::Session w(*cdx_, true);
    cdx_->addTag(wanted, scanEntries(t));
  }
  loadTags();
}

std::unique_ptr<Table> Table::create(const std::string& folder, const TableDef& def) {
  DbfFile::checkFields(def.fileName, def.fields);
  if (!findFile(folder, def.fileName).empty())
    throw sys::Error("Table '" + def.fileName + "' already exists in '" + folder + "'");
  std::unique_ptr<Table> t(new Table);
  t->folder_ = folder;
  t->exclusive_ = true;
  const bool withIndex = !def.indexBaseName.empty() || !def.tags.empty();
  const std::string path = joinPath(folder, def.fileName);
  const std::string tmpName = tempNameFor(def.fileName);
  const std::string tmpPath = joinPath(folder, tmpName);
  ::unlink(tmpPath.c_str());
  Fd fd = openFile(tmpPath, O_RDWR | O_CREAT | O_EXCL, "table");
  bool linked = false;
  try {
    shareLock(fd.get(), true);
    DbfFile::writeNew(fd.get(), def.fileName, def.fields, withIndex);
    t->dbf_ = std::make_unique<DbfFile>(std::move(fd), path, def.fileName);
    if (t->dbf_->hasMemo()) {
      const std::string found = findFile(folder, companionName(def.fileName, "fpt"));
      const std::string memoName = found.empty() ? companionName(def.fileName, "fpt") : found;
      const std::string memoPath = joinPath(folder, memoName);
      Fd mfd = openFile(memoPath, O_RDWR | O_CREAT | O_TRUNC, "memo file");
      shareLock(mfd.get(), true);
      MemoFile::writeNew(mfd.get(), memoName);
      t->memo_ = std::make_unique<MemoFile>(std::move(mfd), memoPath, memoName, true);
    }
    if (withIndex) {
      const std::string found = findFile(folder, companionName(def.fileName, "cdx"));
      t->indexName_ = found.empty() ? companionName(def.fileName, "cdx") : found;
      std::vector<TagInfo> tagInfos;
      for (const TagDef& d : def.tags) tagInfos.push_back(t->describeTag(d.name, d.name, d.unique));
      t->rebuildIndex(tagInfos, true);
    }
    // The table appears under its name only now, whole, and already held
    // exclusively; link() refuses to replace a table made meanwhile.
    if (::link(tmpPath.c_str(), path.c_str()) != 0) {
      if (errno == EEXIST)
        throw sys::Error("Table '" + def.fileName + "' already exists in '" + folder + "'");
      if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
        throw sys::Error("Cannot create table '" + path + "': " + systemReason(errno));
      if (::rename(tmpPath.c_str(), path.c_str()) != 0)
        throw sys::Error("Cannot create table '" + path + "': " + systemReason(errno));
    }
    linked = true;
    ::unlink(tmpPath.c_str());
    syncFolder(folder);
  } catch (...) {
    if (!linked) ::unlink(tmpPath.c_str());
    throw;
  }
  t->refresh();
  return t;
}

}  // namespace xbase
