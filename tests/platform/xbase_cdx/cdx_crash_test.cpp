// A writer that dies in the middle of a change: the file is cut off after
// each possible number of page writes of an insert that splits nodes on
// several levels, and of a removal that empties a leaf. Afterwards reads
// never crash or hang, a file that check() finds sound holds exactly the
// entries before or after the change, a reader with cached pages sees what
// is on disk, and a rebuild always repairs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>

#include "platform/system/error.h"
#include "platform/xbase/cdx_index.h"
#include "platform/xbase/cdx_pager.h"
#include "platform/xbase/key.h"
#include "tests/platform/xbase_cdx/cdx_test_files.h"

namespace {

using namespace xbase;
using Entry = std::pair<std::string, uint32_t>;
using Entries = std::set<Entry>;

constexpr int kKeyLength = 240;  // two entries per interior node: splits climb high

std::string keyOf(int i) { return characterKey("K" + std::to_string(10000 + i * 2), kKeyLength); }

TagInfo layout() {
  TagInfo t;
  t.name = "AGENT";
  t.expression = "AGENT";
  t.keyLength = kKeyLength;
  return t;
}

std::vector<IndexEntry> asIndex(const Entries& e) {
  std::vector<IndexEntry> out;
  for (const auto& [k, r] : e) out.push_back({k, r});
  return out;
}

// Every entry, or nullopt when the walk met damage (a sys::Error).
std::optional<Entries> walk(CdxFile& cdx) {
  Entries out;
  try {
    cdx.forEach(0, [&](const IndexEntry& e) {
      out.insert({e.key, e.recno});
      return true;
    });
  } catch (const sys::Error&) {
    return std::nullopt;
  }
  return out;
}

struct CrashCase {
  const char* name;
  int steps;
  bool oneSession;                          // all steps in one write session
  std::function<void(CdxFile&, int)> step;  // the change, step by step
  std::function<void(Entries&, int)> model;
};

void PrintTo(const CrashCase& c, std::ostream* os) { *os << c.name; }

class CdxCrash : public ::testing::TestWithParam<CrashCase> {
 protected:
  void TearDown() override { cdx::Pager::setWriteBudget(-1); }
};

TEST_P(CdxCrash, EveryCutOffPointLeavesASoundOrRepairableFile) {
  const CrashCase& c = GetParam();
  cdxtest::TempDir dir;
  const std::string pristine = dir.file("pristine.cdx"), path = dir.file("agents.cdx");
  Entries before;
  for (int i = 0; i < 64; ++i) before.insert({keyOf(i), uint32_t(i + 1)});
  {
    auto cdx = CdxFile::create(pristine);
    cdx->addTag(layout(), asIndex(before));
  }
  // A sound file must hold the entries of one of these states.
  std::vector<Entries> states{before};
  for (int i = 0; i < c.steps; ++i) {
    states.push_back(states.back());
    c.model(states.back(), i);
  }
  const Entries& after = states.back();

  bool completed = false;
  int soundStates = 0;
  for (long budget = 0; !completed && budget < 400; ++budget) {
    std::filesystem::copy_file(pristine, path, std::filesystem::copy_options::overwrite_existing);
    auto reader = CdxFile::open(path, false, false);
    for (const auto& [k, r] : before) reader->seek(0, k);  // fills the reader's page cache
    {
      auto writer = CdxFile::open(path, true, false);
      cdx::Pager::setWriteBudget(budget);
      try {
        std::optional<CdxFile::Session> session;
        if (c.oneSession) session.emplace(*writer, true);
        for (int i = 0; i < c.steps; ++i) c.step(*writer, i);
        completed = true;
      } catch (const sys::Error& e) {
        ASSERT_NE(std::string(e.what()).find("simulated crash"), std::string::npos) << e.what();
      }
      cdx::Pager::setWriteBudget(-1);
    }  // the writer is gone (its lock with it)

    auto fresh = CdxFile::open(path, true, false);
    const bool sound = fresh->check().empty();
    const auto seen = walk(*fresh);
    if (sound) {
      ++soundStates;
      ASSERT_TRUE(seen.has_value()) << "budget " << budget;
      EXPECT_NE(std::find(states.begin(), states.end(), *seen), states.end())
          << "budget " << budget << ": a sound file lost or invented entries";
    }
    // The reader with cached pages sees the same as a fresh open.
    const auto readerSees = walk(*reader);
    EXPECT_EQ(readerSees.has_value(), seen.has_value()) << "budget " << budget;
    if (readerSees && seen) {
      EXPECT_TRUE(*readerSees == *seen) << "budget " << budget;
    }
    Entries probes = before;
    probes.insert(after.begin(), after.end());
    for (const auto& [k, r] : probes) {
      std::optional<IndexEntry> a, b;
      bool aFailed = false, bFailed = false;
      try { a = reader->seek(0, k); } catch (const sys::Error&) { aFailed = true; }
      try { b = fresh->seek(0, k); } catch (const sys::Error&) { bFailed = true; }
      ASSERT_EQ(aFailed, bFailed) << "budget " << budget;
      ASSERT_EQ(a.has_value(), b.has_value()) << "budget " << budget;
      if (a) {
        ASSERT_EQ(Entry(a->key, a->recno), Entry(b->key, b->recno)) << "budget " << budget;
      }
    }

    fresh->rebuild({layout()}, [&](size_t) { return asIndex(completed ? after : before); });
    EXPECT_TRUE(fresh->check().empty());
    EXPECT_TRUE(walk(*fresh) == (completed ? after : before));
  }
  EXPECT_TRUE(completed) << "the change never finished";
  std::printf("%s: %d of the cut-off points left a sound file\n", c.name, soundStates);
  EXPECT_GE(soundStates, 2);  // at least the untouched and the finished file
}

std::string between(int i) { return characterKey("K" + std::to_string(10000 + 2 * i + 1), kKeyLength); }

const CrashCase kCases[] = {
    {"InsertsSplittingEveryLevel", 6, true, [](CdxFile& f, int i) { f.insert(0, between(i), uint32_t(900 + i)); },
     [](Entries& e, int i) { e.insert({between(i), uint32_t(900 + i)}); }},
    {"AppendsAtTheEnd", 5, false, [](CdxFile& f, int i) { f.insert(0, between(100 + i), uint32_t(900 + i)); },
     [](Entries& e, int i) { e.insert({between(100 + i), uint32_t(900 + i)}); }},
    {"RemovalsEmptyingLeaves", 8, true, [](CdxFile& f, int i) { f.remove(0, keyOf(i), uint32_t(i + 1)); },
     [](Entries& e, int i) { e.erase({keyOf(i), uint32_t(i + 1)}); }},
    {"RemovalsOfTheGreatestKeys", 13, false,
     [](CdxFile& f, int i) { f.remove(0, keyOf(63 - i), uint32_t(64 - i)); },
     [](Entries& e, int i) { e.erase({keyOf(63 - i), uint32_t(64 - i)}); }},
};

INSTANTIATE_TEST_SUITE_P(Writes, CdxCrash, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
