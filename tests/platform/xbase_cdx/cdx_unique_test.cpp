// The unique rule: a unique tag holds only the first record of each key; the
// others stay out of it, and removing the first leaves the key missing.
#include <gtest/gtest.h>

#include "platform/xbase/cdx_index.h"
#include "platform/xbase/key.h"
#include "tests/platform/xbase_cdx/cdx_test_files.h"

namespace {

using namespace xbase;
using Entry = std::pair<std::string, uint32_t>;

struct Step {
  char op;  // 'i' insert, 'r' remove
  const char* key;
  uint32_t recno;
};

struct UniqueCase {
  const char* name;
  bool unique;
  std::vector<Entry> bulk;  // the tag is built from these first
  std::vector<Step> steps;
  std::vector<Entry> want;  // the tag afterwards, keys without padding
  const char* seekKey;
  uint32_t seekFinds;  // record found by an exact seek; 0 = not found
};

void PrintTo(const UniqueCase& c, std::ostream* os) { *os << c.name; }

class CdxUnique : public ::testing::TestWithParam<UniqueCase> {};

TEST_P(CdxUnique, TagHoldsWhatTheRuleSays) {
  const UniqueCase& c = GetParam();
  cdxtest::TempDir dir;
  auto cdx = CdxFile::create(dir.file("received.cdx"));
  TagInfo layout;
  layout.name = "MESSAGE_ID";
  layout.expression = "MESSAGE_ID";
  layout.keyLength = 10;
  layout.unique = c.unique;
  std::vector<IndexEntry> bulk;
  for (const auto& [k, r] : c.bulk) bulk.push_back({characterKey(k, 10), r});
  cdx->addTag(layout, bulk);
  for (const Step& s : c.steps) {
    if (s.op == 'i') cdx->insert(0, characterKey(s.key, 10), s.recno);
    else cdx->remove(0, characterKey(s.key, 10), s.recno);
  }
  std::vector<Entry> got;
  cdx->forEach(0, [&](const IndexEntry& e) {
    std::string k = e.key;
    while (!k.empty() && k.back() == ' ') k.pop_back();
    got.emplace_back(k, e.recno);
    return true;
  });
  EXPECT_EQ(got, c.want);
  const auto found = cdx->seek(0, characterKey(c.seekKey, 10));
  const bool exact = found && found->key == characterKey(c.seekKey, 10);
  EXPECT_EQ(exact ? found->recno : 0u, c.seekFinds);
  EXPECT_TRUE(cdx->check().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rule, CdxUnique,
    ::testing::Values(
        UniqueCase{"SecondRecordOfAKeyIsLeftOut", true, {}, {{'i', "K1", 1}, {'i', "K1", 2}},
                   {{"K1", 1}}, "K1", 1},
        UniqueCase{"AnEarlierRecordNumberArrivingLaterIsLeftOutToo", true, {}, {{'i', "K1", 7}, {'i', "K1", 3}},
                   {{"K1", 7}}, "K1", 7},
        UniqueCase{"RemovingTheFirstLeavesTheKeyMissing", true, {},
                   {{'i', "K1", 1}, {'i', "K1", 2}, {'i', "K2", 3}, {'r', "K1", 1}}, {{"K2", 3}}, "K1", 0},
        UniqueCase{"RemovingTheLeftOutRecordChangesNothing", true, {}, {{'i', "K1", 1}, {'i', "K1", 2}, {'r', "K1", 2}},
                   {{"K1", 1}}, "K1", 1},
        UniqueCase{"BulkBuildKeepsTheLowestRecord", true, {{"K1", 5}, {"K1", 2}, {"K0", 9}}, {},
                   {{"K0", 9}, {"K1", 2}}, "K1", 2},
        UniqueCase{"AfterRemovalTheKeyCanComeBack", true, {}, {{'i', "K1", 1}, {'r', "K1", 1}, {'i', "K1", 4}},
                   {{"K1", 4}}, "K1", 4},
        UniqueCase{"OrdinaryTagHoldsEveryRecordInRecordOrder", false, {{"K1", 5}},
                   {{'i', "K1", 2}, {'i', "K1", 9}, {'i', "K1", 2}}, {{"K1", 2}, {"K1", 5}, {"K1", 9}}, "K1", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CdxUnique, DuplicatesOfEveryKeyOfALargeTagStayOut) {
  cdxtest::TempDir dir;
  auto cdx = CdxFile::create(dir.file("nodes.cdx"));
  TagInfo layout;
  layout.name = "UNIQUE_ID";
  layout.expression = "UNIQUE_ID";
  layout.keyLength = 20;
  layout.unique = true;
  cdx->addTag(layout, {});
  const int n = 3000;
  auto key = [](int i) { return characterKey("2024010112" + std::to_string(100000 + i * 7 % n), 20); };
  for (int i = 0; i < n; ++i) cdx->insert(0, key(i), uint32_t(i + 1));
  for (int i = 0; i < n; ++i) cdx->insert(0, key(i), uint32_t(n + i + 1));  // later rows, same keys
  size_t count = 0;
  bool onlyFirst = true;
  cdx->forEach(0, [&](const IndexEntry& e) {
    ++count;
    onlyFirst = onlyFirst && e.recno <= uint32_t(n);
    return true;
  });
  EXPECT_EQ(count, size_t(n));
  EXPECT_TRUE(onlyFirst);
  EXPECT_TRUE(cdx->check().empty());
}

}  // namespace
