// In-place leaf edits give byte for byte the leaf that encoding the changed
// entry list gives, for inserts and removals at every position of leaves
// with shared prefixes, blank tails and full-length keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/xbase/cdx_leaf_edit.h"
#include "platform/xbase/cdx_page.h"
#include "tests/platform/xbase_cdx/cdx_test_files.h"

namespace {

using namespace xbase::cdx;

struct EditCase {
  const char* name;
  int keyLength;
  const char* alphabet;  // key characters; ' ' makes blank tails
  uint8_t fill;
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class CdxLeafEdit : public ::testing::TestWithParam<EditCase> {};

std::string hexPage(const Page& p) { return cdxtest::hex({p.begin(), p.end()}); }

TEST_P(CdxLeafEdit, MatchesAFreshEncoding) {
  const EditCase& c = GetParam();
  std::mt19937 rng(99);
  const int alphabet = int(std::char_traits<char>::length(c.alphabet));
  auto randomKey = [&] {
    std::string k(size_t(c.keyLength), char(c.fill));
    const int len = int(rng() % unsigned(c.keyLength + 1));
    for (int i = 0; i < len; ++i) k[size_t(i)] = c.alphabet[rng() % unsigned(alphabet)];
    return k;
  };
  int inserts = 0, erases = 0;
  for (int round = 0; round < 300; ++round) {
    // A sorted leaf of random size that fits a page.
    std::vector<std::pair<std::string, uint32_t>> list;
    const int n = 1 + int(rng() % 40);
    for (int i = 0; i < n; ++i) list.emplace_back(randomKey(), 1 + rng() % 60000);
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    Entries e;
    e.keyLength = c.keyLength;
    for (auto& [k, r] : list) e.insert(e.size(), k, r);
    while (e.size() > 1 && leafBytes(e, 0, e.size(), c.fill) > kLeafSpace) e.erase(e.size() - 1);
    NodeHeader h;
    h.attr = kAttrLeaf;
    h.left = 0x1200;
    const LeafWidths w = leafWidths(c.keyLength, 65535);
    Page leaf;
    ASSERT_TRUE(encodeLeaf(e, 0, e.size(), c.fill, h, w, leaf));

    // Insert a new entry wherever it sorts.
    const std::string key = randomKey();
    const uint32_t recno = 1 + rng() % 60000;
    LeafEdit edit;
    ASSERT_EQ(edit.locate(leaf, c.keyLength, c.fill, key, recno), "");
    Entries grown = e;
    grown.insert(size_t(edit.pos()), key, recno);
    Page want, got;
    const bool fits = encodeLeaf(grown, 0, grown.size(), c.fill, h, w, want);
    const bool exists = edit.atEntry() && edit.entryKey() == key && edit.entryRecno() == recno;
    if (!exists) {
      ASSERT_EQ(edit.insert(key, recno, got), fits) << "round " << round;
      if (fits) {
        ASSERT_TRUE(got == want) << "insert at " << edit.pos() << " of " << e.size() << "\n"
                                 << hexPage(got) << "\nwanted\n" << hexPage(want);
        ++inserts;
      }
    }

    // Remove each entry in turn.
    for (size_t at = 0; at < e.size(); ++at) {
      LeafEdit del;
      ASSERT_EQ(del.locate(leaf, c.keyLength, c.fill, e.key(at), e.recnos[at]), "");
      ASSERT_EQ(size_t(del.pos()), at);
      if (e.size() == 1) {
        EXPECT_FALSE(del.erase(got));
        continue;
      }
      Entries shrunk = e;
      shrunk.erase(at);
      ASSERT_TRUE(encodeLeaf(shrunk, 0, shrunk.size(), c.fill, h, w, want));
      ASSERT_TRUE(del.erase(got));
      ASSERT_TRUE(got == want) << "erase at " << at << " of " << e.size() << "\n"
                               << hexPage(got) << "\nwanted\n" << hexPage(want);
      ++erases;
    }
  }
  EXPECT_GT(inserts, 100);
  EXPECT_GT(erases, 1000);
}

INSTANTIATE_TEST_SUITE_P(Leaves, CdxLeafEdit,
                         ::testing::Values(EditCase{"ShortBlankTails", 6, "AB ", ' '},
                                           EditCase{"SharedPrefixes", 20, "AAAB C", ' '},
                                           EditCase{"ZeroFilledNumbers", 8, "\x01\x02\x40\xC0", 0},
                                           EditCase{"LongKeys", 120, "ABCDEFGH ", ' '}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
