// Table::check: compares the table, its memo file and every tag with a scan
// of the rows, and lists each fault in words an operator can act on.
#include <algorithm>
#include <set>

#include "platform/system/error.h"
#include "platform/xbase/field_codec.h"
#include "platform/xbase/file_io.h"
#include "platform/xbase/table.h"
#include "platform/xbase/table_check.h"

namespace xbase {

namespace {

constexpr size_t kMaxFaultsPerTag = 20;
constexpr uint32_t kChunkBytes = 1 << 18;

std::string printable(const std::string& key) {
  std::string out;
  bool binary = false;
  for (unsigned char c : key)
    if (c < 0x20 || c == 0x7F) binary = true;
  if (binary) {
    static const char* hex = "0123456789ABCDEF";
    for (unsigned char c : key) {
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
    return "0x" + out;
  }
  out = key;
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return "'" + out + "'";
}

bool entryLess(const IndexEntry& a, const IndexEntry& b) {
  if (a.key != b.key) return a.key < b.key;  // std::string compares bytes as unsigned char
  return a.recno < b.recno;
}

}  // namespace

std::vector<std::string> Table::check() {
  std::vector<std::string> faults;
  try {
    refresh();
  } catch (const sys::Error& e) {
    faults.push_back(e.what());
    return faults;
  }
  const uint32_t n = count_;
  const uint32_t rl = dbf_->recordLength();
  const uint32_t perChunk = std::max<uint32_t>(1, kChunkBytes / rl);
  std::string chunk(size_t(perChunk) * rl, ' ');

  // Rows: deletion flags, column values and memo pointers.
  size_t rowFaults = 0;
  auto rowFault = [&](const std::string& f) {
    if (rowFaults++ < kMaxFaultsPerTag) faults.push_back(f);
  };
  for (uint32_t first = 1; first <= n;) {
    const uint32_t got = dbf_->readRecords(first, std::min(perChunk, n - first + 1), chunk.data());
    if (got == 0) {
      rowFault("Table '" + fileName() + "': rows from " + std::to_string(first) + " cannot be read");
      break;
    }
    for (uint32_t i = 0; i < got; ++i) {
      const char* rec = chunk.data() + size_t(i) * rl;
      const uint32_t recno = first + i;
      if (rec[0] != kLive && rec[0] != kDeleted)
        rowFault("Table '" + fileName() + "': row " + std::to_string(recno) + " has a bad deletion flag");
      for (size_t f = 0; f < fields().size(); ++f) {
        const FieldLayout& fl = fields()[f];
        const FieldCodec codec(fl, fileName());
        try {
          switch (fl.def.type) {
            case FieldType::Numeric: codec.number(rec); break;
            case FieldType::Date: codec.date(rec); break;
            case FieldType::Memo: {
              const uint32_t block = codec.memoBlock(rec);
              if (block != 0) {
                if (!memo_) throw sys::Error("the table has no memo file");
                const std::string fault = memo_->checkPointer(block);
                if (!fault.empty()) throw sys::Error("Memo file '" + memo_->fileName() + "': " + fault);
              }
              break;
            }
            default: break;
          }
        } catch (const sys::Error& e) {
          rowFault("Row " + std::to_string(recno) + ": " + e.what());
        }
      }
    }
    first += got;
  }
  if (rowFaults > kMaxFaultsPerTag)
    faults.push_back("Table '" + fileName() + "': " + std::to_string(rowFaults - kMaxFaultsPerTag) +
                     " more faults in its rows");

  if (!hasIndex()) return faults;
  if (!indexError_.empty() || !cdx_) {
    faults.push_back(indexError_);
    return faults;
  }
  for (const std::string& f : cdx_->check()) faults.push_back("Index file '" + indexName_ + "': " + f);

  // Every tag against a scan: each row once, in key order; a unique tag
  // holds the first row of each key only.
  for (const Tag& tag : tags_) {
    const std::string where = "Tag '" + tag.info.name + "' of '" + indexName_ + "'";
    if (!tag.computable) {
      faults.push_back(where + ": its key '" + tag.info.expression + "' cannot be checked by this engine");
      continue;
    }
    std::vector<IndexEntry> expected;
    try {
      expected = scanEntries(tag);
    } catch (const sys::Error& e) {
      faults.push_back(where + ": " + e.what());
      continue;
    }
    std::sort(expected.begin(), expected.end(), entryLess);
    if (tag.info.unique) {
      std::vector<IndexEntry> firsts;
      for (IndexEntry& e : expected)
        if (firsts.empty() || firsts.back().key != e.key) firsts.push_back(std::move(e));
      expected = std::move(firsts);
    }
    std::vector<IndexEntry> actual;
    try {
      cdx_->forEach(tag.cdxIndex, [&](const IndexEntry& e) {
        actual.push_back(e);
        return true;
      });
    } catch (const sys::Error& e) {
      faults.push_back(where + ": " + e.what());
      continue;
    }
    if (actual.size() == expected.size() &&
        std::equal(actual.begin(), actual.end(), expected.begin(),
                   [](const IndexEntry& a, const IndexEntry& b) { return a.key == b.key && a.recno == b.recno; }))
      continue;

    size_t reported = 0, more = 0;
    auto report = [&](const std::string& f) {
      if (reported < kMaxFaultsPerTag) {
        faults.push_back(where + ": " + f);
        ++reported;
      } else {
        ++more;
      }
    };
    for (size_t i = 1; i < actual.size(); ++i)
      if (!entryLess(actual[i - 1], actual[i]))
        report("entries out of order at row " + std::to_string(actual[i].recno));
    std::vector<IndexEntry> sortedActual = actual;
    std::sort(sortedActual.begin(), sortedActual.end(), entryLess);
    std::set<uint32_t> seen;
    for (const IndexEntry& e : sortedActual)
      if (!seen.insert(e.recno).second) report("row " + std::to_string(e.recno) + " is listed more than once");
    std::vector<IndexEntry> extra, missing;
    std::set_difference(sortedActual.begin(), sortedActual.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra), entryLess);
    std::set_difference(expected.begin(), expected.end(), sortedActual.begin(), sortedActual.end(),
                        std::back_inserter(missing), entryLess);
    for (const IndexEntry& e : extra) {
      if (e.recno == 0 || e.recno > n)
        report("entry " + printable(e.key) + " points at row " + std::to_string(e.recno) + ", past the end");
      else
        report("entry " + printable(e.key) + " for row " + std::to_string(e.recno) +
               " does not match the row (or is not the first row of its key)");
    }
    for (const IndexEntry& e : missing)
      report("row " + std::to_string(e.recno) + " with key " + printable(e.key) + " is missing");
    if (reported == 0) report("differs from its table");
    if (more > 0) faults.push_back(where + ": " + std::to_string(more) + " more faults");
  }
  return faults;
}

std::vector<std::string> checkTable(const std::string& folder, const std::string& fileName) {
  try {
    return Table::open(folder, fileName, OpenMode::Shared)->check();
  } catch (const sys::Error& e) {
    return {e.what()};
  }
}

}  // namespace xbase
