#include "platform/xbase/cursor.h"

#include <algorithm>
#include <optional>

#include "platform/system/error.h"
#include "platform/xbase/field_codec.h"
#include "platform/xbase/file_names.h"
#include "platform/xbase/key.h"
#include "platform/xbase/table.h"

namespace xbase {

namespace {
constexpr uint32_t kCountChunkBytes = 1 << 18;
}

struct Cursor::Impl {
  enum class Mode { Browse, Insert, Edit };

  Cursor* self = nullptr;
  std::unique_ptr<Table> t;
  std::string blank;

  // Order.
  int tag = -1;
  std::string orderName;

  // Position: record number (0 = off any row), its bytes, and its key in the
  // current order (where a walk through the tag goes on from).
  uint32_t rec = 0;
  std::string row;
  std::string posKey;
  uint64_t gen = 1;  // bumped whenever the current row changes

  // Detail view.
  Cursor* master = nullptr;
  int masterField = -1;
  std::vector<Cursor*> details;
  uint64_t seenMasterGen = 0;
  bool restricted = false;
  bool rangeNone = false;  // the master stands on no row: the view is empty
  std::string rangeKey;

  // Row being inserted or edited.
  Mode mode = Mode::Browse;
  std::string buf;
  std::vector<char> changed;
  std::vector<std::optional<std::string>> memos;

  bool showDeleted = false;
  std::string scratch;  // a record read while walking

  // ---- helpers ----

  const Table::Tag& orderTag() const { return t->tags()[size_t(tag)]; }
  int cdxTag() const { return orderTag().cdxIndex; }

  FieldCodec codec(int field) const { return FieldCodec(t->fields()[size_t(field)], t->fileName()); }

  const char* source() const {
    if (mode != Mode::Browse) return buf.data();
    if (rec != 0) return row.data();
    return blank.data();
  }

  void setEof() {
    rec = 0;
    row.clear();
    posKey.clear();
    ++gen;
  }

  void land(uint32_t recno, const std::string& bytes, std::string key) {
    rec = recno;
    row = bytes;
    posKey = std::move(key);
    ++gen;
  }

  // Lands on the record just read into `scratch` (swapped, not copied).
  void landScratch(uint32_t recno, std::string_view key) {
    rec = recno;
    row.swap(scratch);
    posKey.assign(key.data(), key.size());
    ++gen;
  }

  std::string& scratchRecord() {
    scratch.resize(t->dbf().recordLength());
    return scratch;
  }

  // The key of the current row in the current order.
  std::string keyInOrder(uint32_t recno, const std::string& bytes) {
    if (tag < 0) return {};
    const Table::Tag& tg = orderTag();
    if (tg.computable) return t->keyOf(tg, bytes.data());
    std::string found;
    t->index().forEach(tg.cdxIndex, [&](const IndexEntry& e) {
      if (e.recno != recno) return true;
      found = e.key;
      return false;
    });
    return found;
  }

  // An index entry leads to a visible row: in the table, not deleted (unless
  // shown), and still holding the entry's key (another program may be
  // changing it right now).
  bool accept(const IndexEntry& e, std::string& bytes) {
    if (e.recno == 0) return false;
    if (e.recno > t->count()) {
      t->refresh();
      if (e.recno > t->count()) return false;
    }
    t->dbf().readRecord(e.recno, bytes.data());
    if (!showDeleted && bytes[0] == kDeleted) return false;
    const Table::Tag& tg = orderTag();
    if (tg.computable && !t->keyEquals(tg, bytes.data(), e.key)) return false;
    return true;
  }

  bool walk(std::optional<IndexEntry> e) {
    CdxFile& cdx = t->index();
    std::string& bytes = scratchRecord();
    while (e) {
      if (restricted && e->key != rangeKey) break;
      if (accept(*e, bytes)) {
        landScratch(e->recno, e->key);
        return true;
      }
      e = cdx.after(cdxTag(), e->key, e->recno);
    }
    setEof();
    return false;
  }

  void scanFrom(uint32_t start) {
    std::string bytes(t->dbf().recordLength(), ' ');
    for (uint32_t r = start;; ++r) {
      if (r > t->count()) {
        t->refresh();
        if (r > t->count()) {
          setEof();
          return;
        }
      }
      t->dbf().readRecord(r, bytes.data());
      if (showDeleted || bytes[0] != kDeleted) {
        land(r, bytes, {});
        return;
      }
    }
  }

  void firstInView() {
    if (tag < 0) {
      scanFrom(1);
      return;
    }
    if (restricted && rangeNone) {
      setEof();
      return;
    }
    CdxFile& cdx = t->index();
    cdx.reading([&] { walk(restricted ? cdx.seek(cdxTag(), rangeKey) : cdx.first(cdxTag())); });
  }

  void nextInView() {
    if (rec == 0) return;
    if (tag < 0) {
      scanFrom(rec + 1);
      return;
    }
    if (restricted && rangeNone) {
      setEof();
      return;
    }
    CdxFile& cdx = t->index();
    cdx.reading([&] { walk(cdx.after(cdxTag(), posKey, rec)); });
  }

  // Follows the master: when it has moved since we last looked, stand on the
  // first row of the new range.
  void sync() {
    if (!master) return;
    Impl& m = *master->impl_;
    m.sync();
    if (seenMasterGen == m.gen) return;
    seenMasterGen = m.gen;
    restricted = true;
    if (m.rec == 0) {
      rangeNone = true;
      setEof();
      return;
    }
    rangeNone = false;
    rangeKey = t->keyForValue(orderTag(), m.codec(masterField).text(m.row.data()));
    firstInView();
  }

  void finishEdit() {
    if (mode != Mode::Browse) self->post();
  }

  void requireEditing() const {
    if (mode == Mode::Browse)
      throw sys::Error("Table '" + t->fileName() + "' is not in edit or insert mode");
  }

  void resolveOrder() {
    if (orderName.empty()) {
      tag = -1;
      return;
    }
    tag = t->findTag(orderName);
    if (tag < 0) {
      const std::string gone = orderName;
      orderName.clear();
      throw sys::Error("Tag '" + gone + "' not found in the index of table '" + t->fileName() + "'");
    }
  }

  void detachDetails() {
    for (Cursor* d : details) {
      Impl& di = *d->impl_;
      di.master = nullptr;
      di.restricted = false;
      di.rangeNone = false;
    }
    details.clear();
  }

  void detachFromMaster() {
    if (!master) return;
    auto& list = master->impl_->details;
    list.erase(std::remove(list.begin(), list.end(), self), list.end());
    master = nullptr;
    restricted = false;
    rangeNone = false;
  }

  uint32_t countRecordOrder() {
    t->refresh();
    const uint32_t n = t->count();
    if (showDeleted) return n;
    const uint32_t rl = t->dbf().recordLength();
    const uint32_t perChunk = std::max<uint32_t>(1, kCountChunkBytes / rl);
    std::string chunk(size_t(perChunk) * rl, ' ');
    uint32_t visible = 0;
    for (uint32_t first = 1; first <= n;) {
      const uint32_t got = t->dbf().readRecords(first, std::min(perChunk, n - first + 1), chunk.data());
      if (got == 0) break;
      for (uint32_t i = 0; i < got; ++i)
        if (chunk[size_t(i) * rl] != kDeleted) ++visible;
      first += got;
    }
    return visible;
  }

  uint32_t countTagOrder() {
    if (restricted && rangeNone) return 0;
    CdxFile& cdx = t->index();
    std::string bytes(t->dbf().recordLength(), ' ');
    uint32_t visible = 0;
    cdx.reading([&] {
      visible = 0;
      if (restricted) {
        for (auto e = cdx.seek(cdxTag(), rangeKey); e && e->key == rangeKey; e = cdx.after(cdxTag(), e->key, e->recno))
          if (accept(*e, bytes)) ++visible;
        return;
      }
      cdx.forEach(cdxTag(), [&](const IndexEntry& e) {
        if (accept(e, bytes)) ++visible;
        return true;
      });
    });
    return visible;
  }

  bool seekKey(const std::string& key, bool nearest) {
    if (restricted && (rangeNone || key != rangeKey)) {
      // Only rows of the master's key are in the view.
      if (nearest && !rangeNone && key < rangeKey) {
        firstInView();
      } else {
        setEof();
      }
      return false;
    }
    CdxFile& cdx = t->index();
    bool found = false;
    cdx.reading([&] {
      found = false;
      std::string& bytes = scratchRecord();
      auto e = cdx.seek(cdxTag(), key);
      while (e && e->key == key) {
        if (accept(*e, bytes)) {
          landScratch(e->recno, e->key);
          found = true;
          return;
        }
        e = cdx.after(cdxTag(), e->key, e->recno);
      }
      if (!nearest) {
        setEof();
        return;
      }
      walk(e);
    });
    return found;
  }

  void afterMaintenance() {
    resolveOrder();
    seenMasterGen = 0;
    if (master) {
      sync();
    } else {
      firstInView();
    }
  }
};

Cursor::Cursor(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {
  impl_->self = this;
  impl_->blank = impl_->t->dbf().blankRecord();
}

Cursor::~Cursor() {
  impl_->detachDetails();
  impl_->detachFromMaster();
}

std::unique_ptr<Cursor> Cursor::open(const std::string& folder, const std::string& fileName, OpenMode mode) {
  auto impl = std::make_unique<Impl>();
  impl->t = Table::open(folder, fileName, mode);
  return std::unique_ptr<Cursor>(new Cursor(std::move(impl)));
}

std::unique_ptr<Cursor> Cursor::create(const std::string& folder, const TableDef& def) {
  auto impl = std::make_unique<Impl>();
  impl->t = Table::create(folder, def);
  return std::unique_ptr<Cursor>(new Cursor(std::move(impl)));
}

const std::string& Cursor::fileName() const { return impl_->t->fileName(); }
const std::string& Cursor::path() const { return impl_->t->path(); }
bool Cursor::exclusive() const { return impl_->t->exclusive(); }

std::vector<FieldDef> Cursor::fields() const {
  std::vector<FieldDef> out;
  for (const FieldLayout& f : impl_->t->fields()) out.push_back(f.def);
  return out;
}

std::vector<std::string> Cursor::tagNames() const {
  std::vector<std::string> out;
  for (const Table::Tag& t : impl_->t->tags()) out.push_back(t.info.name);
  return out;
}

void Cursor::setOrder(const std::string& tag) {
  Impl& m = *impl_;
  m.sync();
  m.finishEdit();
  if (m.master && !equalNoCase(tag, m.orderName))
    throw sys::Error("A detail view of table '" + m.t->fileName() + "' keeps the order of its link tag");
  if (tag.empty()) {
    m.tag = -1;
    m.orderName.clear();
    m.posKey.clear();
    return;
  }
  m.t->index();
  const int i = m.t->findTag(tag);
  if (i < 0) throw sys::Error("Tag '" + tag + "' not found in the index of table '" + m.t->fileName() + "'");
  if (m.t->tags()[size_t(i)].info.descending)
    throw sys::Error("Tag '" + tag + "' of table '" + m.t->fileName() + "' is descending, which is not supported");
  m.tag = i;
  m.orderName = m.t->tags()[size_t(i)].info.name;
  m.posKey = m.rec ? m.keyInOrder(m.rec, m.row) : std::string();
}

const std::string& Cursor::order() const { return impl_->orderName; }

void Cursor::setMaster(Cursor* master, const std::string& masterColumn, const std::string& tag) {
  Impl& m = *impl_;
  m.finishEdit();
  if (!master) {
    m.detachFromMaster();
    return;
  }
  for (Cursor* c = master; c; c = c->impl_->master)
    if (c == this) throw sys::Error("A table view cannot follow itself");
  const int field = master->impl_->t->fieldIndex(masterColumn);
  m.detachFromMaster();
  setOrder(tag);
  if (m.orderTag().field < 0)
    throw sys::Error("Tag '" + tag + "' of table '" + m.t->fileName() + "' does not index a column");
  m.master = master;
  m.masterField = field;
  master->impl_->details.push_back(this);
  m.seenMasterGen = 0;
  m.restricted = true;
}

void Cursor::first() {
  impl_->finishEdit();
  impl_->sync();
  impl_->firstInView();
}

void Cursor::next() {
  impl_->finishEdit();
  impl_->sync();
  impl_->nextInView();
}

bool Cursor::eof() {
  impl_->sync();
  return impl_->rec == 0;
}

uint32_t Cursor::recno() const {
  impl_->sync();
  return impl_->rec;
}

void Cursor::go(uint32_t recno) {
  Impl& m = *impl_;
  m.finishEdit();
  m.sync();
  if (recno == 0 || recno > m.t->count()) m.t->refresh();
  if (recno == 0 || recno > m.t->count())
    throw sys::Error("Record " + std::to_string(recno) + " is out of range in table '" + m.t->fileName() + "' (" +
                     std::to_string(m.t->count()) + " rows)");
  std::string bytes(m.t->dbf().recordLength(), ' ');
  m.t->read(recno, bytes.data());
  if (!m.showDeleted && bytes[0] == kDeleted) {
    m.setEof();
    return;
  }
  m.land(recno, bytes, m.keyInOrder(recno, bytes));
}

bool Cursor::seek(std::string_view value, bool nearest) {
  Impl& m = *impl_;
  m.finishEdit();
  m.sync();
  if (m.tag < 0) throw sys::Error("Table '" + m.t->fileName() + "' has no index order to seek in");
  const Table::Tag& tg = m.orderTag();
  std::string key;
  if (tg.field >= 0)
    key = m.t->keyForValue(tg, value);
  else if (tg.info.type == KeyType::Character)
    key = characterKey(value, tg.info.keyLength);
  else
    throw sys::Error("Tag '" + tg.info.name + "' of table '" + m.t->fileName() + "' cannot be searched by value");
  return m.seekKey(key, nearest);
}

bool Cursor::seekDate(int year, int month, int day, bool nearest) {
  Impl& m = *impl_;
  m.finishEdit();
  m.sync();
  if (m.tag < 0) throw sys::Error("Table '" + m.t->fileName() + "' has no index order to seek in");
  if (m.orderTag().info.type != KeyType::Date)
    throw sys::Error("Tag '" + m.orderName + "' of table '" + m.t->fileName() + "' is not a date tag");
  if (year != 0 && !validDate(year, month, day))
    throw sys::Error("'" + std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day) +
                     "' is not a valid date");
  return m.seekKey(dateKey(year, month, day), nearest);
}

uint32_t Cursor::count() {
  impl_->sync();
  return impl_->tag < 0 ? impl_->countRecordOrder() : impl_->countTagOrder();
}

void Cursor::refresh() {
  Impl& m = *impl_;
  m.finishEdit();
  m.sync();
  m.t->refresh();
  if (m.rec == 0) {
    ++m.gen;
    return;
  }
  if (m.rec > m.t->count()) {
    m.setEof();
    return;
  }
  std::string bytes(m.t->dbf().recordLength(), ' ');
  m.t->read(m.rec, bytes.data());
  if (!m.showDeleted && bytes[0] == kDeleted) {
    m.nextInView();
    return;
  }
  m.row = bytes;
  ++m.gen;
}

std::string Cursor::getString(std::string_view column) const {
  Impl& m = *impl_;
  m.sync();
  const int i = m.t->fieldIndex(column);
  if (m.t->fields()[size_t(i)].def.type == FieldType::Memo) {
    if (m.mode != Impl::Mode::Browse && m.memos[size_t(i)]) return *m.memos[size_t(i)];
    return m.t->memoText(m.source(), i);
  }
  return m.codec(i).text(m.source());
}

long Cursor::getInt(std::string_view column) const {
  Impl& m = *impl_;
  m.sync();
  return m.codec(m.t->fieldIndex(column)).integer(m.source());
}

bool Cursor::getBool(std::string_view column) const {
  Impl& m = *impl_;
  m.sync();
  return m.codec(m.t->fieldIndex(column)).logical(m.source());
}

Cursor::Date Cursor::getDate(std::string_view column) const {
  Impl& m = *impl_;
  m.sync();
  const Ymd d = m.codec(m.t->fieldIndex(column)).date(m.source());
  return Date{d.year, d.month, d.day};
}

void Cursor::setString(std::string_view column, std::string_view value) {
  Impl& m = *impl_;
  const int i = m.t->fieldIndex(column);
  m.requireEditing();
  if (m.t->fields()[size_t(i)].def.type == FieldType::Memo)
    m.memos[size_t(i)] = std::string(value);
  else
    m.codec(i).setText(m.buf.data(), value);
  m.changed[size_t(i)] = 1;
}

void Cursor::setInt(std::string_view column, long value) {
  Impl& m = *impl_;
  const int i = m.t->fieldIndex(column);
  m.requireEditing();
  m.codec(i).setInteger(m.buf.data(), value);
  m.changed[size_t(i)] = 1;
}

void Cursor::setBool(std::string_view column, bool value) {
  Impl& m = *impl_;
  const int i = m.t->fieldIndex(column);
  m.requireEditing();
  m.codec(i).setLogical(m.buf.data(), value);
  m.changed[size_t(i)] = 1;
}

void Cursor::setDate(std::string_view column, Date value) {
  Impl& m = *impl_;
  const int i = m.t->fieldIndex(column);
  m.requireEditing();
  m.codec(i).setDate(m.buf.data(), Ymd{value.year, value.month, value.day});
  m.changed[size_t(i)] = 1;
}

void Cursor::insert() {
  Impl& m = *impl_;
  m.finishEdit();
  m.sync();
  m.mode = Impl::Mode::Insert;
  m.buf = m.blank;
  m.changed.assign(m.t->fields().size(), 0);
  m.memos.assign(m.t->fields().size(), std::nullopt);
  if (m.master && m.restricted && !m.rangeNone) {
    const Impl& mi = *m.master->impl_;
    const int field = m.orderTag().field;
    m.codec(field).setText(m.buf.data(), mi.codec(m.masterField).text(mi.row.data()));
    m.changed[size_t(field)] = 1;
  }
  if (afterInsert) {
    try {
      afterInsert(*this);
    } catch (...) {
      cancel();
      throw;
    }
  }
}

void Cursor::edit() {
  Impl& m = *impl_;
  m.sync();
  if (m.mode != Impl::Mode::Browse) return;
  if (m.rec == 0) throw sys::Error("Table '" + m.t->fileName() + "' has no current row to edit");
  m.mode = Impl::Mode::Edit;
  m.buf = m.row;
  m.changed.assign(m.t->fields().size(), 0);
  m.memos.assign(m.t->fields().size(), std::nullopt);
}

void Cursor::post() {
  Impl& m = *impl_;
  if (m.mode == Impl::Mode::Browse) return;
  std::vector<Table::MemoValue> memos;
  for (size_t i = 0; i < m.memos.size(); ++i)
    if (m.memos[i]) memos.push_back({int(i), *m.memos[i]});
  if (m.mode == Impl::Mode::Insert) {
    const uint32_t recno = m.t->append(m.buf, memos);
    m.mode = Impl::Mode::Browse;
    m.land(recno, m.buf, m.keyInOrder(recno, m.buf));
  } else {
    m.t->rewrite(m.rec, m.buf, m.changed, memos);
    m.mode = Impl::Mode::Browse;
    m.land(m.rec, m.buf, m.keyInOrder(m.rec, m.buf));
  }
  m.buf.clear();
}

void Cursor::cancel() {
  impl_->mode = Impl::Mode::Browse;
  impl_->buf.clear();
}

void Cursor::remove() {
  Impl& m = *impl_;
  m.sync();
  if (m.mode == Impl::Mode::Insert) {
    cancel();
    return;
  }
  cancel();
  if (m.rec == 0) throw sys::Error("Table '" + m.t->fileName() + "' has no current row to delete");
  m.t->markDeleted(m.rec);
  if (m.showDeleted) {
    m.row[0] = kDeleted;
    ++m.gen;
    return;
  }
  m.nextInView();
}

bool Cursor::editing() const { return impl_->mode != Impl::Mode::Browse; }

void Cursor::setShowDeleted(bool show) { impl_->showDeleted = show; }

bool Cursor::deleted() const {
  impl_->sync();
  return impl_->rec != 0 && impl_->row[0] == kDeleted;
}

void Cursor::pack() {
  cancel();
  impl_->t->pack();
  impl_->afterMaintenance();
}

void Cursor::zap() {
  cancel();
  impl_->t->zap();
  impl_->afterMaintenance();
}

void Cursor::reindex() {
  cancel();
  impl_->t->reindex();
  impl_->afterMaintenance();
}

void Cursor::reindex(const std::vector<TagDef>& tags) {
  cancel();
  impl_->t->reindex(&tags);
  impl_->afterMaintenance();
}

void Cursor::createTag(const std::string& name, const std::string& column, bool unique) {
  cancel();
  impl_->t->createTag(name, column, unique);
  impl_->afterMaintenance();
}

}  // namespace xbase
