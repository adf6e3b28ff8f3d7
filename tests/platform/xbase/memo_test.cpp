// Memo columns in the FoxPro memo file: header and block layout as other
// programs read them, texts of any length, replacing in place or anew.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/system/error.h"
#include "platform/xbase/cursor.h"
#include "platform/xbase/table_check.h"
#include "tests/platform/xbase/test_support.h"

namespace xbase::test {
namespace {

uint32_t be32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 | uint32_t(uint8_t(s[at + 2])) << 8 |
         uint32_t(uint8_t(s[at + 3]));
}

TEST(Memo, NewFileHasTheFoxProHeader) {
  TempDir dir;
  Cursor::create(dir.path(), sampleDef());
  const std::string fpt = readBytes(dir.file("ITEMS.FPT"));
  ASSERT_EQ(fpt.size(), 512u);
  EXPECT_EQ(be32(fpt, 0), 8u) << "next free block after the 512-byte header";
  EXPECT_EQ(uint8_t(fpt[6]) << 8 | uint8_t(fpt[7]), 64) << "block size";
  EXPECT_EQ(fpt.find_first_not_of('\0', 8), std::string::npos) << "the rest of the header is zero";
}

TEST(Memo, TextsOfEveryLengthReadBackExactly) {
  const std::string texts[] = {
      "",
      "hello",
      "two\r\nlines\r\n",
      std::string(55, 'a'),   // exactly fills one 64-byte block with its 8-byte header
      std::string(56, 'b'),   // one byte into a second block
      std::string(5000, 'c') + "\xC3\xA9nd",
      "trailing blanks stay   ",
  };
  TempDir dir;
  {
    auto t = Cursor::create(dir.path(), sampleDef());
    for (const std::string& s : texts) {
      t->insert();
      t->setString("NOTES", s);
      EXPECT_EQ(t->getString("NOTES"), s);
      t->post();
    }
  }
  auto t = Cursor::open(dir.path(), "ITEMS.DBF");
  size_t i = 0;
  for (t->first(); !t->eof(); t->next(), ++i) EXPECT_EQ(t->getString("NOTES"), texts[i]) << "row " << i + 1;
  EXPECT_EQ(i, std::size(texts));
  // The first memo: at block 8, type 1 (text), length, then the bytes.
  const std::string fpt = readBytes(dir.file("ITEMS.FPT"));
  EXPECT_EQ(be32(fpt, 512), 1u);
  EXPECT_EQ(be32(fpt, 516), 5u);
  EXPECT_EQ(fpt.substr(520, 5), "hello");
  EXPECT_EQ(fileLength(dir.file("ITEMS.FPT")) % 64, 0) << "padded to whole blocks";
  EXPECT_EQ(be32(fpt, 0) * 64, uint32_t(fpt.size())) << "next free block at the end";
  EXPECT_TRUE(checkTable(dir.path(), "ITEMS.DBF").empty());
}

TEST(Memo, ShorterTextReplacesInPlaceLongerTakesNewBlocks) {
  TempDir dir;
  auto t = Cursor::create(dir.path(), sampleDef());
  for (const char* s : {"first memo text", "second"}) {
    t->insert();
    t->setString("NOTES", s);
    t->post();
  }
  const long before = fileLength(dir.file("ITEMS.FPT"));
  t->go(1);
  t->edit();
  t->setString("NOTES", "short");
  t->post();
  EXPECT_EQ(fileLength(dir.file("ITEMS.FPT")), before) << "fits the old block";
  t->edit();
  t->setString("NOTES", std::string(300, 'z'));
  t->post();
  EXPECT_GT(fileLength(dir.file("ITEMS.FPT")), before);
  t->edit();
  t->setString("NOTES", "");
  t->post();
  t.reset();
  auto c = Cursor::open(dir.path(), "ITEMS.DBF");
  c->go(1);
  EXPECT_EQ(c->getString("NOTES"), "");
  c->go(2);
  EXPECT_EQ(c->getString("NOTES"), "second") << "the neighbour's memo is untouched";
  const std::string dbf = readBytes(dir.file("ITEMS.DBF"));
  EXPECT_EQ(dbf.substr(289 + 74, 10), "          ") << "an empty memo is a blank pointer";
}

TEST(Memo, TableWithoutMemoFileFailsToOpenNamingIt) {
  TempDir dir;
  Cursor::create(dir.path(), sampleDef());
  ::unlink(dir.file("ITEMS.FPT").c_str());
  try {
    Cursor::open(dir.path(), "ITEMS.DBF");
    FAIL() << "opened";
  } catch (const sys::Error& e) {
    EXPECT_NE(std::string(e.what()).find("ITEMS.FPT"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace xbase::test
