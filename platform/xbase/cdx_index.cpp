#include "platform/xbase/cdx_index.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include "platform/system/error.h"
#include "platform/xbase/cdx_build.h"
#include "platform/xbase/cdx_impl.h"
#include "platform/xbase/cdx_tag_header.h"

namespace xbase {

using namespace cdx;

namespace {

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return out;
}

std::string trimRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

int openFile(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw sys::Error("Cannot open index file '" + path + "': " + std::strerror(errno));
  return fd;
}

// Compound header, its pool and the empty root leaf of the tag directory.
std::vector<uint8_t> emptyFile(uint32_t counter) {
  std::vector<uint8_t> bytes(3 * kPageSize, 0);
  const auto header = encodeTagHeader(directoryHeader(kDirectoryRoot));
  std::copy(header[0].begin(), header[0].end(), bytes.begin());
  std::copy(header[1].begin(), header[1].end(), bytes.begin() + kPageSize);
  putBe32(bytes.data() + 8, counter);
  Entries none;
  none.keyLength = kDirectoryKeyLength;
  NodeHeader h;
  h.attr = kAttrLeaf | kAttrRoot;
  Page leaf;
  encodeLeaf(none, 0, 0, ' ', h, leaf);
  std::copy(leaf.begin(), leaf.end(), bytes.begin() + kDirectoryRoot);
  return bytes;
}

}  // namespace

// ---- Impl ----

CdxFile::Impl::Impl(std::unique_ptr<Pager> p, KeyTypeResolver resolver)
    : pager(std::move(p)), keyTypeOf(std::move(resolver)) {}

TreeSpec CdxFile::Impl::directorySpec() const {
  return TreeSpec{0, kDirectoryKeyLength, ' ', true, "tag directory"};
}

void CdxFile::Impl::ensureTags() {
  if (tagsGeneration == pager->generation()) return;
  loadTags();
}

void CdxFile::Impl::loadTags() {
  tags.clear();
  tagsGeneration = ~uint64_t(0);
  const Page& head = pager->read(0, "compound header", true);
  if (getLe16(head.data() + 12) != kDirectoryKeyLength)
    pager->damaged("compound header", "the tag directory has a key length of " +
                                          std::to_string(getLe16(head.data() + 12)) + " instead of 10");
  std::vector<std::pair<uint32_t, std::string>> found;
  const TreeSpec dirSpec = directorySpec();
  Tree directory(*pager, dirSpec);
  directory.forEach([&](const IndexEntry& e) {
    found.emplace_back(e.recno, trimRight(e.key));
    return true;
  });
  // Creation order is the order of the headers in the file.
  std::sort(found.begin(), found.end());
  for (auto& [offset, name] : found) {
    const std::string context = "tag " + name;
    if (offset % kPageSize != 0 || offset < 2 * kPageSize)
      pager->damaged(context, "the tag header offset " + hexOffset(offset) + " is not a valid page");
    const Page headPage = pager->read(offset, context);
    const Page& pool = pager->read(offset + kPageSize, context);
    TagHeader h;
    const std::string fault = decodeTagHeader(headPage, pool, h);
    if (!fault.empty()) pager->damaged(context, fault);
    TagState t;
    t.header = offset;
    t.info.name = name;
    t.info.expression = h.expression;
    t.info.forExpression = h.forExpression;
    t.info.keyLength = h.keyLength;
    t.info.unique = h.options & kOptUnique;
    t.info.descending = h.descending;
    auto known = knownTypes.find(offset);
    if (known != knownTypes.end()) t.info.type = known->second;
    else if (keyTypeOf) t.info.type = keyTypeOf(t.info);
    t.layout = TreeSpec{offset, h.keyLength, uint8_t(t.info.type == KeyType::Character ? ' ' : 0), t.info.unique,
                      context};
    tags.push_back(std::move(t));
  }
  tagsGeneration = pager->generation();
}

TagState& CdxFile::Impl::tag(int index) {
  ensureTags();
  if (index < 0 || size_t(index) >= tags.size())
    throw sys::Error("Index file '" + pager->path() + "' has no tag number " + std::to_string(index));
  return tags[size_t(index)];
}

std::string_view CdxFile::Impl::normalize(const TagState& t, std::string_view key) {
  if (int(key.size()) == t.info.keyLength) return key;
  scratch.assign(key.substr(0, size_t(t.info.keyLength)));
  scratch.resize(size_t(t.info.keyLength), char(t.layout.fill));
  return scratch;
}

void CdxFile::Impl::addTag(const TagInfo& given, std::vector<IndexEntry> entries) {
  TagInfo layout = given;
  layout.name = upper(layout.name);
  if (layout.name.empty() || layout.name.size() > 10 || layout.name.find(' ') != std::string::npos)
    throw sys::Error("Tag name '" + given.name + "' is not valid (1 to 10 characters, no blank)");
  if (layout.type != KeyType::Character && layout.keyLength == 0) layout.keyLength = 8;
  if (layout.keyLength < 1 || layout.keyLength > kMaxKeyLength)
    throw sys::Error("Tag '" + layout.name + "': a key length of " + std::to_string(layout.keyLength) +
                     " is not possible (1 to 240 bytes)");
  if (layout.type != KeyType::Character && layout.keyLength != 8)
    throw sys::Error("Tag '" + layout.name + "': date and numeric keys are 8 bytes long");
  ensureTags();
  for (const TagState& t : tags)
    if (t.info.name == layout.name)
      throw sys::Error("Tag '" + layout.name + "' already exists in index file '" + pager->path() + "'");
  const uint8_t fill = layout.type == KeyType::Character ? ' ' : 0;

  // Keys to the tag's length, sorted; a unique tag keeps the lowest record of a key.
  for (IndexEntry& e : entries)
    if (int(e.key.size()) != layout.keyLength) e.key.resize(size_t(layout.keyLength), char(fill));
  std::sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
    return compareEntry(a.key, a.recno, b.key, b.recno) < 0;
  });
  Entries sorted;
  sorted.keyLength = layout.keyLength;
  sorted.keys.reserve(entries.size() * size_t(layout.keyLength));
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0 && entries[i].key == entries[i - 1].key &&
        (layout.unique || entries[i].recno == entries[i - 1].recno))
      continue;
    sorted.keys.append(entries[i].key);
    sorted.recnos.push_back(entries[i].recno);
  }
  entries.clear();
  entries.shrink_to_fit();

  // Header pages and tree at the end of the file; the header is written after
  // the tree and the directory entry last, so a crash leaves nothing reachable.
  Batch batch(*pager);
  const uint32_t header = batch.allocateRun(2);
  const uint32_t base = batch.allocateRun(buildPageCount(sorted, fill));
  TagHeader h;
  h.root = buildTree(*pager, base, sorted, fill);
  h.keyLength = layout.keyLength;
  h.options = uint8_t(kOptCompact | kOptCompound | (layout.unique ? kOptUnique : 0) |
                      (layout.forExpression.empty() ? 0 : kOptFor));
  h.descending = layout.descending;
  h.expression = layout.expression;
  h.forExpression = layout.forExpression;
  const auto pages = encodeTagHeader(h);
  batch.put(header, pages[0]);
  batch.put(header + kPageSize, pages[1]);
  batch.commit();
  knownTypes[header] = layout.type;
  const TreeSpec dirSpec = directorySpec();
  Tree directory(*pager, dirSpec);
  directory.insert(characterKey(layout.name, kDirectoryKeyLength), header);
  tagsGeneration = ~uint64_t(0);
}

void CdxFile::Impl::rewriteEmpty() {
  const uint32_t counter = pager->counter() + 1;
  pager->truncateAll();
  pager->resetControl(kDirectoryRoot, 0, counter);
  const std::vector<uint8_t> bytes = emptyFile(counter);
  pager->writeRun(0, bytes.data(), bytes.size());
  knownTypes.clear();
  tags.clear();
  tagsGeneration = ~uint64_t(0);
}

// ---- CdxFile ----

CdxFile::CdxFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CdxFile::~CdxFile() = default;

std::unique_ptr<CdxFile> CdxFile::create(const std::string& path, bool exclusive) {
  const int fd = openFile(path, O_RDWR | O_CREAT);
  auto file = std::unique_ptr<CdxFile>(
      new CdxFile(std::make_unique<Impl>(std::make_unique<Pager>(path, fd, true, exclusive), nullptr)));
  Session s(*file, true);
  file->impl_->rewriteEmpty();
  return file;
}

std::unique_ptr<CdxFile> CdxFile::open(const std::string& path, bool writable, bool exclusive,
                                       KeyTypeResolver keyTypeOf) {
  const int fd = openFile(path, writable ? O_RDWR : O_RDONLY);
  auto file = std::unique_ptr<CdxFile>(new CdxFile(
      std::make_unique<Impl>(std::make_unique<Pager>(path, fd, writable, exclusive), std::move(keyTypeOf))));
  Session s(*file, false);
  file->impl_->ensureTags();
  return file;
}

const std::string& CdxFile::path() const { return impl_->pager->path(); }
int CdxFile::fd() const { return impl_->pager->fd(); }

CdxFile::Session::Session(CdxFile& file, bool write, bool optimistic) : file_(file), write_(write) {
  file_.impl_->pager->enter(write_, upgraded_, optimistic);
}

void CdxFile::reading(const std::function<void()>& read) {
  if (impl_->pager->inSession()) {
    read();
    return;
  }
  try {
    Session s(*this, false, true);
    read();
    return;
  } catch (const cdx::Restart&) {
    // Another writer changed the file under the snapshot: read it again,
    // this time under the lock all along, so it cannot happen twice.
  }
  Session s(*this, false, false);
  read();
}

CdxFile::Session::~Session() { file_.impl_->pager->leave(upgraded_); }

std::vector<TagInfo> CdxFile::tags() {
  Session s(*this, false);
  impl_->ensureTags();
  std::vector<TagInfo> out;
  for (const TagState& t : impl_->tags) out.push_back(t.info);
  return out;
}

int CdxFile::findTag(std::string_view name) {
  Session s(*this, false);
  impl_->ensureTags();
  const std::string wanted = upper(name);
  for (size_t i = 0; i < impl_->tags.size(); ++i)
    if (impl_->tags[i].info.name == wanted) return int(i);
  return -1;
}

void CdxFile::addTag(const TagInfo& layout, std::vector<IndexEntry> entries) {
  Session s(*this, true);
  impl_->addTag(layout, std::move(entries));
}

void CdxFile::rebuild(const std::vector<TagInfo>& layouts,
                      const std::function<std::vector<IndexEntry>(size_t tagIndex)>& entriesOf) {
  Session s(*this, true);
  impl_->rewriteEmpty();
  for (size_t i = 0; i < layouts.size(); ++i) impl_->addTag(layouts[i], entriesOf(i));
}

void CdxFile::insert(int tag, std::string_view key, uint32_t recno) {
  Session s(*this, true);
  TagState& t = impl_->tag(tag);
  Tree(*impl_->pager, t.layout).insert(impl_->normalize(t, key), recno);
}

void CdxFile::remove(int tag, std::string_view key, uint32_t recno) {
  Session s(*this, true);
  TagState& t = impl_->tag(tag);
  Tree(*impl_->pager, t.layout).remove(impl_->normalize(t, key), recno);
}

std::optional<IndexEntry> CdxFile::seek(int tag, std::string_view key) {
  std::optional<IndexEntry> found;
  reading([&] {
    TagState& t = impl_->tag(tag);
    found = Tree(*impl_->pager, t.layout).find(impl_->normalize(t, key), 0, false);
  });
  return found;
}

std::optional<IndexEntry> CdxFile::first(int tag) {
  std::optional<IndexEntry> found;
  reading([&] {
    TagState& t = impl_->tag(tag);
    const std::string lowest(size_t(t.info.keyLength), '\0');
    found = Tree(*impl_->pager, t.layout).find(lowest, 0, false);
  });
  return found;
}

std::optional<IndexEntry> CdxFile::after(int tag, std::string_view key, uint32_t recno) {
  std::optional<IndexEntry> found;
  reading([&] {
    TagState& t = impl_->tag(tag);
    found = Tree(*impl_->pager, t.layout).find(impl_->normalize(t, key), recno, true);
  });
  return found;
}

void CdxFile::forEach(int tag, const std::function<bool(const IndexEntry&)>& visit) {
  Session s(*this, false);
  TagState& t = impl_->tag(tag);
  Tree(*impl_->pager, t.layout).forEach(visit);
}

}  // namespace xbase
