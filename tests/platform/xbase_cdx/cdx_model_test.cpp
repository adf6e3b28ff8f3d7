// Random insert/remove sequences against an ordered-set model: the tag walks
// in the model's order, nearest seeks and "next" steps land where the model
// says, check() finds nothing, and a reopened file holds the same entries.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "platform/xbase/cdx_index.h"
#include "platform/xbase/key.h"
#include "tests/platform/xbase_cdx/cdx_test_files.h"

namespace {

using namespace xbase;
using Entry = std::pair<std::string, uint32_t>;

enum class Keys { Blanks, Stamps, Bytes, Numbers };

struct ModelCase {
  const char* name;
  int keyLength;
  Keys keys;
  bool unique;
  int operations;
  uint32_t maxRecno;  // large record numbers widen the leaf entries
  bool bulkFirst;     // start from a bulk-built tag
  int minDepth;       // the sequence must grow the tree at least this deep
};

void PrintTo(const ModelCase& c, std::ostream* os) { *os << c.name; }

std::string makeKey(const ModelCase& c, std::mt19937& rng) {
  auto pick = [&](int n) { return int(rng() % unsigned(n)); };
  switch (c.keys) {
    case Keys::Blanks: {  // few letters, many shared prefixes and blank tails
      std::string k;
      const int len = pick(c.keyLength + 1);
      for (int i = 0; i < len; ++i) k.push_back("AB C"[pick(4)]);
      return characterKey(k, c.keyLength);
    }
    case Keys::Stamps: {  // time-stamp keys + a few letters, as the tables make them
      std::string k = "2024" + std::to_string(100000 + pick(900000)) + "0" + std::to_string(pick(10));
      for (int i = pick(7); i > 0; --i) k.push_back(char('A' + pick(26)));
      return characterKey(k, c.keyLength);
    }
    case Keys::Bytes: {  // incompressible: every byte value, including blanks and zeros
      std::string k(size_t(c.keyLength), ' ');
      for (char& ch : k) ch = char(pick(256));
      if (pick(4) == 0) k.back() = ' ';
      return k;
    }
    case Keys::Numbers:
      return numericKey(double(pick(2001) - 1000) / (pick(3) + 1));
  }
  return {};
}

class Model {
 public:
  explicit Model(bool unique) : unique_(unique) {}
  void insert(const std::string& key, uint32_t recno) {
    if (unique_) {
      if (firstOf_.count(key)) return;
      firstOf_[key] = recno;
    }
    set_.insert({key, recno});
  }
  void remove(const std::string& key, uint32_t recno) {
    if (!set_.erase({key, recno})) return;
    if (unique_) firstOf_.erase(key);
  }
  const std::set<Entry>& entries() const { return set_; }

 private:
  bool unique_;
  std::set<Entry> set_;
  std::map<std::string, uint32_t> firstOf_;
};

std::vector<Entry> walk(CdxFile& cdx, int tag) {
  std::vector<Entry> out;
  cdx.forEach(tag, [&](const IndexEntry& e) {
    out.emplace_back(e.key, e.recno);
    return true;
  });
  return out;
}

std::string describe(const std::vector<std::string>& faults) {
  std::string s;
  for (const auto& f : faults) s += f + "\n";
  return s;
}

class CdxModel : public ::testing::TestWithParam<ModelCase> {};

TEST_P(CdxModel, RandomChangesMatchTheModel) {
  const ModelCase& c = GetParam();
  cdxtest::TempDir dir;
  const std::string path = dir.file("model.cdx");
  std::mt19937 rng(12345u + unsigned(c.keyLength));
  Model model(c.unique);
  std::vector<Entry> present;  // candidates for removal

  TagInfo layout;
  layout.name = "KEY";
  layout.expression = "KEY";
  layout.keyLength = c.keyLength;
  layout.unique = c.unique;
  if (c.keys == Keys::Numbers) layout.type = KeyType::Numeric;
  auto newRecno = [&] { return 1 + uint32_t(rng() % c.maxRecno); };

  auto cdx = CdxFile::create(path);
  std::vector<IndexEntry> initial;
  if (c.bulkFirst)
    for (int i = 0; i < c.operations / 2; ++i) {
      IndexEntry e{makeKey(c, rng), newRecno()};
      initial.push_back(e);
    }
  // The bulk build keeps the lowest record number of a key in a unique tag.
  std::sort(initial.begin(), initial.end(), [](const IndexEntry& a, const IndexEntry& b) {
    return std::tie(a.key, a.recno) < std::tie(b.key, b.recno);
  });
  for (const auto& e : initial) {
    model.insert(e.key, e.recno);
    present.emplace_back(e.key, e.recno);
  }
  cdx->addTag(layout, initial);
  const int tag = cdx->findTag("KEY");
  ASSERT_EQ(tag, 0);

  for (int op = 0; op < c.operations; ++op) {
    const unsigned dice = rng() % 10;
    if (dice < 6 || present.empty()) {
      // Insert; now and then a key or an entry that is already there.
      std::string key = makeKey(c, rng);
      uint32_t recno = newRecno();
      if (dice == 5 && !present.empty()) {
        const Entry& old = present[rng() % present.size()];
        key = old.first;
        if (rng() % 2) recno = old.second;
      }
      cdx->insert(tag, key, recno);
      model.insert(key, recno);
      present.emplace_back(key, recno);
    } else {
      const size_t i = rng() % present.size();
      const Entry victim = present[i];
      present[i] = present.back();
      present.pop_back();
      cdx->remove(tag, victim.first, victim.second);
      model.remove(victim.first, victim.second);
    }
    if (op % (c.operations / 4) == 0) {
      ASSERT_EQ(describe(cdx->check()), "") << "after operation " << op;
    }
  }

  const std::vector<Entry> want(model.entries().begin(), model.entries().end());
  ASSERT_EQ(walk(*cdx, tag), want);
  EXPECT_GE(cdxtest::treeDepth(path, 0x600, c.keyLength), c.minDepth);
  EXPECT_EQ(describe(cdx->check()), "");

  // Nearest seeks and next steps.
  for (int probe = 0; probe < 300; ++probe) {
    const std::string key = makeKey(c, rng);
    auto it = std::lower_bound(want.begin(), want.end(), Entry{key, 0});
    auto got = cdx->seek(tag, key);
    if (it == want.end()) {
      EXPECT_FALSE(got.has_value());
    } else {
      ASSERT_TRUE(got.has_value());
      EXPECT_EQ(Entry(got->key, got->recno), *it);
    }
  }
  size_t steps = 0;
  for (auto e = cdx->first(tag); e; e = cdx->after(tag, e->key, e->recno)) {
    ASSERT_LT(steps, want.size());
    ASSERT_EQ(Entry(e->key, e->recno), want[steps]);
    ++steps;
  }
  EXPECT_EQ(steps, want.size());

  cdx.reset();
  auto again = CdxFile::open(path, false, false,
                             [&](const TagInfo&) { return c.keys == Keys::Numbers ? KeyType::Numeric : KeyType::Character; });
  EXPECT_EQ(walk(*again, 0), want);
  EXPECT_EQ(describe(again->check()), "");
}

INSTANTIATE_TEST_SUITE_P(
    Tags, CdxModel,
    ::testing::Values(ModelCase{"ShortBlankKeys", 4, Keys::Blanks, false, 4000, 5000, false, 2},
                      ModelCase{"TenByteKeysBulkThenChanges", 10, Keys::Blanks, false, 4000, 3000, true, 2},
                      ModelCase{"UniqueStamps", 20, Keys::Stamps, true, 4000, 100000, false, 2},
                      ModelCase{"StampsWideRecnos", 40, Keys::Stamps, false, 3000, 3000000, true, 3},
                      ModelCase{"NumericTag", 8, Keys::Numbers, false, 3000, 1000, false, 2},
                      ModelCase{"MidLengthStamps", 60, Keys::Stamps, false, 4000, 5000, false, 3},
                      ModelCase{"MaxLengthKeys", 240, Keys::Bytes, false, 2500, 70000, false, 8},
                      ModelCase{"MaxLengthUniqueBulk", 240, Keys::Bytes, true, 1500, 300, true, 8}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
