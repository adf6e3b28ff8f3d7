// Damaged files: a node offset out of range or off a page boundary, loops,
// bad key counts, a bad tag directory. Every read that meets the damage
// raises sys::Error naming the file, a write that meets it leaves the file
// untouched, check() reports it, and a rebuild repairs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "platform/system/error.h"
#include "platform/xbase/cdx_index.h"
#include "platform/xbase/key.h"
#include "tests/platform/xbase_cdx/cdx_test_files.h"

namespace {

using namespace xbase;
using cdxtest::readBytes;
using cdxtest::readLe32;
using cdxtest::writeBytes;
using cdxtest::writeLe32;

constexpr int kKeyLength = 60;
constexpr uint32_t kTagHeader = 0x600;

std::string keyOf(int i) { return characterKey("KEY" + std::to_string(100000 + i), kKeyLength); }

std::vector<IndexEntry> entries() {
  std::vector<IndexEntry> out;
  for (int i = 0; i < 1500; ++i) out.push_back({keyOf(i), uint32_t(i + 1)});
  return out;
}

TagInfo tagSpec() {
  TagInfo t;
  t.name = "SUBJECT";
  t.expression = "SUBJECT";
  t.keyLength = kKeyLength;
  return t;
}

uint32_t be32(const std::vector<uint8_t>& page, size_t at) {
  return uint32_t(page[at]) << 24 | uint32_t(page[at + 1]) << 16 | uint32_t(page[at + 2]) << 8 | page[at + 3];
}
std::vector<uint8_t> be32Bytes(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

// Offsets on the leftmost path of the tag: [root, ..., leaf].
std::vector<uint32_t> leftmostPath(const std::string& path) {
  std::vector<uint32_t> nodes{readLe32(path, kTagHeader)};
  for (;;) {
    const auto page = readBytes(path, nodes.back(), 512);
    if (page[0] & 2) return nodes;
    nodes.push_back(be32(page, 12 + kKeyLength + 4));
  }
}
uint32_t childSlot(uint32_t node) { return node + 12 + kKeyLength + 4; }  // child of entry 0

struct DamageCase {
  const char* name;
  std::function<void(const std::string& path)> damage;
  bool openFails;
  bool seekFails;    // seek of the smallest key
  bool walkFails;    // forEach
  bool insertFails;  // insert of a key before the smallest
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

const DamageCase kCases[] = {
    {"ChildOutOfRange",
     [](const std::string& p) { writeBytes(p, childSlot(leftmostPath(p)[0]), be32Bytes(0x7FFF0000)); }, false, true,
     true, true},
    {"ChildNotOnAPageBoundary",
     [](const std::string& p) { writeBytes(p, childSlot(leftmostPath(p)[0]), be32Bytes(leftmostPath(p)[1] + 3)); },
     false, true, true, true},
    {"ChildPointsIntoTheFileHeader", [](const std::string& p) { writeBytes(p, childSlot(leftmostPath(p)[0]), be32Bytes(0)); },
     false, true, true, true},
    {"LoopBetweenTwoPages",
     [](const std::string& p) {
       const auto nodes = leftmostPath(p);  // root -> A: make A lead back to the root
       writeBytes(p, childSlot(nodes[1]), be32Bytes(nodes[0]));
     },
     false, true, true, true},
    {"LeafChainLoops",
     [](const std::string& p) {
       const uint32_t leaf = leftmostPath(p).back();
       const uint32_t next = readLe32(p, leaf + 8);
       writeLe32(p, next + 8, leaf);  // the second leaf's right link back to the first
     },
     false, false, true, false},
    {"LeafClaimsTooManyKeys",
     [](const std::string& p) { writeBytes(p, leftmostPath(p).back() + 2, {0x90, 0x01}); }, false, true, true, true},
    {"LeafEntriesOverrunThePage",
     [](const std::string& p) {
       const uint32_t leaf = leftmostPath(p).back();
       const auto page = readBytes(p, leaf, 512);
       const int count = page[2] | page[3] << 8;
       writeBytes(p, leaf + 2, {uint8_t(count + 30), 0});  // more entries than key bytes
     },
     false, true, true, true},
    {"InteriorNodeWithoutKeys", [](const std::string& p) { writeBytes(p, leftmostPath(p)[1] + 2, {0, 0}); }, false,
     true, true, true},
    {"RootOutOfRange", [](const std::string& p) { writeLe32(p, kTagHeader, 0x10000000); }, false, true, true, true},
    {"TagDirectoryClaimsTooManyKeys", [](const std::string& p) { writeBytes(p, 0x400 + 2, {0xF0, 0x00}); }, true,
     true, true, true},
    {"TagHeaderKeyLengthImpossible", [](const std::string& p) { writeBytes(p, kTagHeader + 12, {0xF1, 0x00}); },
     true, true, true, true},
    {"FileCutShort", [](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 700), 0); }, true, true, true, true},
};

class CdxDamage : public ::testing::TestWithParam<DamageCase> {};

std::vector<std::pair<std::string, uint32_t>> walk(CdxFile& cdx) {
  std::vector<std::pair<std::string, uint32_t>> out;
  cdx.forEach(0, [&](const IndexEntry& e) {
    out.emplace_back(e.key, e.recno);
    return true;
  });
  return out;
}

// Runs `action`; it must raise sys::Error naming the file (or must not raise).
void expectError(bool fails, const std::string& path, const std::function<void()>& action, const char* what) {
  try {
    action();
    EXPECT_FALSE(fails) << what << " did not raise";
  } catch (const sys::Error& e) {
    EXPECT_TRUE(fails) << what << " raised: " << e.what();
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

TEST_P(CdxDamage, ReadsRaiseWritesRefuseCheckReportsRebuildRepairs) {
  const DamageCase& c = GetParam();
  cdxtest::TempDir dir;
  const std::string path = dir.file("actions.cdx");
  { CdxFile::create(path)->addTag(tagSpec(), entries()); }
  ASSERT_GE(leftmostPath(path).size(), 3u);
  c.damage(path);

  std::unique_ptr<CdxFile> cdx;
  expectError(c.openFails, path, [&] { cdx = CdxFile::open(path, true, false); }, "open");
  if (cdx) {
    expectError(c.seekFails, path, [&] { cdx->seek(0, keyOf(0)); }, "seek");
    expectError(c.walkFails, path, [&] { walk(*cdx); }, "forEach");
    const auto before = readBytes(path, 0, size_t(cdxtest::fileSize(path)));
    expectError(c.insertFails, path, [&] { cdx->insert(0, characterKey("A", kKeyLength), 9999); }, "insert");
    if (c.insertFails) {
      EXPECT_TRUE(before == readBytes(path, 0, size_t(cdxtest::fileSize(path))))
          << "a refused insert wrote into the file";
    }
    const auto faults = cdx->check();
    ASSERT_FALSE(faults.empty());
    EXPECT_NE(faults[0].find(path), std::string::npos) << faults[0];
    cdx->rebuild({tagSpec()}, [](size_t) { return entries(); });
  } else {
    cdx = CdxFile::create(path);
    cdx->rebuild({tagSpec()}, [](size_t) { return entries(); });
  }
  EXPECT_TRUE(cdx->check().empty());
  cdx.reset();
  cdx = CdxFile::open(path, false, false);
  const auto all = walk(*cdx);
  ASSERT_EQ(all.size(), entries().size());
  EXPECT_EQ(all.front().first, keyOf(0));
  EXPECT_TRUE(cdx->check().empty());
}

INSTANTIATE_TEST_SUITE_P(Files, CdxDamage, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CdxDamage, CheckReportsOrderParentAndUniqueFaults) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("nodes.cdx");
  TagInfo layout = tagSpec();
  layout.unique = true;
  { CdxFile::create(path)->addTag(layout, entries()); }
  const uint32_t leaf = leftmostPath(path).back();
  const uint32_t parent = leftmostPath(path).end()[-2];
  // The last key byte of entry 0 of the parent (its last key) is changed:
  // the parent entry no longer matches its child.
  writeBytes(path, parent + 12 + kKeyLength - 1, {'~'});
  // Entry 0 of a leaf keeps its bytes at the very end of the page: its last
  // digit becomes 9, so it sorts after entry 1 (which shares its prefix).
  writeBytes(path, leaf + 511, {'9'});
  auto cdx = CdxFile::open(path, false, false);
  std::string all;
  for (const auto& f : cdx->check()) all += f + "\n";
  EXPECT_NE(all.find("keys out of order"), std::string::npos) << all;
  EXPECT_NE(all.find("parent entry"), std::string::npos) << all;
}

TEST(CdxDamage, CheckReportsADuplicateInAUniqueTag) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("nodes.cdx");
  TagInfo layout = tagSpec();
  layout.unique = false;
  {
    auto cdx = CdxFile::create(path);
    cdx->addTag(layout, {{keyOf(1), 1}, {keyOf(1), 2}, {keyOf(2), 3}});
  }
  writeBytes(path, kTagHeader + 14, {0x61});  // the tag now claims to be unique
  auto cdx = CdxFile::open(path, false, false);
  std::string all;
  for (const auto& f : cdx->check()) all += f + "\n";
  EXPECT_NE(all.find("twice"), std::string::npos) << all;
}

}  // namespace

namespace {

// Random bytes of random node pages overwritten: every operation either works
// or raises sys::Error; nothing crashes, hangs or throws anything else.
TEST(CdxDamage, RandomCorruptionNeverCrashesOrHangs) {
  cdxtest::TempDir dir;
  const std::string pristine = dir.file("pristine.cdx"), path = dir.file("fuzz.cdx");
  {
    auto cdx = CdxFile::create(pristine);
    cdx->addTag(tagSpec(), entries());
    TagInfo small = tagSpec();
    small.name = "SMALL";
    small.keyLength = 6;
    small.unique = true;
    std::vector<IndexEntry> e;
    for (int i = 0; i < 800; ++i) e.push_back({characterKey(std::to_string(i * 37 % 1000), 6), uint32_t(i + 1)});
    cdx->addTag(small, e);
  }
  const uint64_t size = cdxtest::fileSize(pristine);
  std::mt19937 rng(2024);
  int errors = 0;
  for (int round = 0; round < 150; ++round) {
    std::filesystem::copy_file(pristine, path, std::filesystem::copy_options::overwrite_existing);
    for (int k = 1 + int(rng() % 4); k > 0; --k) {
      const uint64_t page = 2 + rng() % (size / 512 - 2);
      const uint64_t at = page * 512 + (rng() % 3 == 0 ? rng() % 24 : rng() % 512);  // headers often
      writeBytes(path, at, {uint8_t(rng())});
    }
    try {
      auto cdx = CdxFile::open(path, true, false);
      for (int tag = 0; tag < 2; ++tag) {
        auto guard = [&](const std::function<void()>& f) {
          try {
            f();
          } catch (const sys::Error& e) {
            ++errors;
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
          }
        };
        guard([&] { cdx->seek(tag, keyOf(int(rng() % 1500))); });
        guard([&] { walk(*cdx); });
        guard([&] {
          for (auto e = cdx->first(tag); e; e = cdx->after(tag, e->key, e->recno)) {
          }
        });
        guard([&] { cdx->insert(tag, keyOf(int(rng() % 3000)), 5000 + rng() % 100); });
        guard([&] { cdx->remove(tag, keyOf(int(rng() % 1500)), 1 + rng() % 1500); });
        guard([&] { walk(*cdx); });
      }
      cdx->check();
    } catch (const sys::Error& e) {
      ++errors;  // open refused the file
    }
  }
  EXPECT_GT(errors, 0);
}

}  // namespace
