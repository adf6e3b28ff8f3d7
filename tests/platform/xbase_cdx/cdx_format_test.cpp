// The bytes we write are the bytes other FoxPro-compatible programs write:
// the verified worked examples of a leaf, a tag header and the tag directory,
// and the byte-comparable numeric and date keys.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/xbase/cdx_index.h"
#include "platform/xbase/key.h"
#include "tests/platform/xbase_cdx/cdx_test_files.h"

namespace {

using namespace xbase;
using cdxtest::hex;
using cdxtest::readBytes;

std::vector<uint8_t> bytesOf(std::initializer_list<int> list) {
  std::vector<uint8_t> out;
  for (int b : list) out.push_back(uint8_t(b));
  return out;
}

std::vector<uint8_t> text(const std::string& s) { return {s.begin(), s.end()}; }

TagInfo charTag(const std::string& name, int length, bool unique = false) {
  TagInfo t;
  t.name = name;
  t.expression = name;
  t.keyLength = length;
  t.unique = unique;
  return t;
}

// Table NAME C(10): 1 SMITH, 2 JONES, 3 SMITHERS.
std::vector<IndexEntry> nameEntries() {
  return {{characterKey("SMITH", 10), 1}, {characterKey("JONES", 10), 2}, {characterKey("SMITHERS", 10), 3}};
}

TEST(CdxFormat, LeafAndTagHeaderOfTheWorkedExampleByteForByte) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("people.cdx");
  {
    auto cdx = CdxFile::create(path);
    cdx->addTag(charTag("NAME", 10), nameEntries());
  }
  std::vector<uint8_t> leaf = bytesOf({0x03, 0x00, 0x03, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                       0xD2, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0x0F, 0x0F, 0x10, 0x04, 0x04, 0x03,
                                       0x02, 0x00, 0x50, 0x01, 0x00, 0x50, 0x03, 0x00, 0x25});
  leaf.resize(0x1F3, 0);
  for (uint8_t b : text("ERSSMITHJONES")) leaf.push_back(b);
  ASSERT_EQ(leaf.size(), 512u);
  EXPECT_EQ(hex(readBytes(path, 0xA00, 512)), hex(leaf));

  EXPECT_EQ(hex(readBytes(path, 0x600, 16)),
            hex(bytesOf({0x00, 0x0A, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x0A, 0x00, 0x60, 0x01})));
  EXPECT_EQ(hex(readBytes(path, 0x600 + 502, 10)), hex(bytesOf({0, 0, 5, 0, 1, 0, 0, 0, 5, 0})));
  EXPECT_EQ(hex(readBytes(path, 0x800, 6)), hex(bytesOf({'N', 'A', 'M', 'E', 0, 0})));

  // Compound header: directory root at 0x400, key length 10, options 0xE0.
  const auto head = readBytes(path, 0, 16);
  EXPECT_EQ(hex({head.begin(), head.begin() + 8}), hex(bytesOf({0x00, 0x04, 0x00, 0x00, 0, 0, 0, 0})));
  EXPECT_EQ(hex({head.begin() + 12, head.end()}), hex(bytesOf({0x0A, 0x00, 0xE0, 0x01})));
}

TEST(CdxFormat, TagDirectoryOfFourTagsByteForByteAndReadBackInCreationOrder) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("people.cdx");
  {
    auto cdx = CdxFile::create(path);
    cdx->addTag(charTag("NAME", 10), nameEntries());
    TagInfo bdate;
    bdate.name = "BDATE";
    bdate.expression = "BDATE";
    bdate.type = KeyType::Date;
    bdate.keyLength = 8;
    cdx->addTag(bdate, {{dateKey(1970, 5, 1), 1}, {dateKey(0, 0, 0), 2}, {dateKey(1999, 12, 31), 3}});
    TagInfo amount;
    amount.name = "amount";  // names are kept upper case
    amount.expression = "AMOUNT";
    amount.type = KeyType::Numeric;
    amount.keyLength = 8;
    cdx->addTag(amount, {{numericKey(200), 3}, {numericKey(12.5), 1}, {numericKey(100), 2}});
    TagInfo uname = charTag("UNAME", 10, true);
    uname.expression = "NAME";
    uname.forExpression = "AMOUNT >= 0";
    cdx->addTag(uname, nameEntries());
  }
  std::vector<uint8_t> node = bytesOf({0x03, 0x00, 0x04, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                       0xC8, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0x0F, 0x0F, 0x10, 0x04, 0x04, 0x03,
                                       0x00, 0x12, 0x40, 0x00, 0x0C, 0x50, 0x00, 0x06, 0x60, 0x00, 0x18, 0x50});
  node.resize(512 - 20, 0);
  for (uint8_t b : text("UNAMENAMEBDATEAMOUNT")) node.push_back(b);
  EXPECT_EQ(hex(readBytes(path, 0x400, 512)), hex(node));

  // The UNIQUE ... FOR tag header.
  EXPECT_EQ(readBytes(path, 0x1800 + 14, 1)[0], 0x69);
  EXPECT_EQ(hex(readBytes(path, 0x1800 + 502, 10)), hex(bytesOf({0, 0, 5, 0, 12, 0, 0, 0, 5, 0})));
  EXPECT_EQ(hex(readBytes(path, 0x1A00, 17)), hex(text(std::string("NAME\0AMOUNT >= 0\0", 17))));

  auto cdx = CdxFile::open(path, false, false, [](const TagInfo& t) {
    return t.name == "BDATE" ? KeyType::Date : t.name == "AMOUNT" ? KeyType::Numeric : KeyType::Character;
  });
  const auto tags = cdx->tags();
  ASSERT_EQ(tags.size(), 4u);
  const char* names[] = {"NAME", "BDATE", "AMOUNT", "UNAME"};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(tags[i].name, names[i]);
  EXPECT_EQ(tags[3].expression, "NAME");
  EXPECT_EQ(tags[3].forExpression, "AMOUNT >= 0");
  EXPECT_TRUE(tags[3].unique);
  EXPECT_FALSE(tags[0].unique);
  EXPECT_EQ(tags[1].keyLength, 8);
  EXPECT_EQ(cdx->findTag("amount"), 2);
  EXPECT_EQ(cdx->findTag("NONE"), -1);

  // Numeric keys drop trailing zero bytes: 12.5 is stored as C0 29, trail 6.
  std::vector<IndexEntry> amounts;
  cdx->forEach(2, [&](const IndexEntry& e) {
    amounts.push_back(e);
    return true;
  });
  ASSERT_EQ(amounts.size(), 3u);
  EXPECT_EQ(amounts[0].key, numericKey(12.5));
  EXPECT_EQ(amounts[1].key, numericKey(100));
  EXPECT_EQ(amounts[2].recno, 3u);
  const auto amountLeaf = readBytes(path, 0x1600, 512);
  EXPECT_EQ(amountLeaf[510], 0xC0);
  EXPECT_EQ(amountLeaf[511], 0x29);
  EXPECT_EQ(hex({amountLeaf.begin() + 24, amountLeaf.begin() + 27}), hex(bytesOf({0x01, 0x00, 0x60})));
  // The empty date sorts first.
  EXPECT_EQ(cdx->first(1)->recno, 2u);
}

struct NumericCase {
  double value;
  std::vector<int> key;
};

TEST(CdxFormat, NumericKeysAreTheTransformedBigEndianDouble) {
  const NumericCase cases[] = {
      {0.0, {0x80, 0, 0, 0, 0, 0, 0, 0}},
      {-0.0, {0x80, 0, 0, 0, 0, 0, 0, 0}},
      {1.0, {0xBF, 0xF0, 0, 0, 0, 0, 0, 0}},
      {12.5, {0xC0, 0x29, 0, 0, 0, 0, 0, 0}},
      {-3.0, {0x3F, 0xF7, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const auto& c : cases) {
    const std::string k = numericKey(c.value);
    std::vector<uint8_t> want;
    for (int b : c.key) want.push_back(uint8_t(b));
    EXPECT_EQ(hex({k.begin(), k.end()}), hex(want)) << c.value;
  }
  // Byte order equals numeric order.
  const double sorted[] = {-1e9, -3, -0.5, 0, 1e-9, 1, 12.5, 1e12};
  for (size_t i = 1; i < std::size(sorted); ++i)
    EXPECT_LT(numericKey(sorted[i - 1]), numericKey(sorted[i])) << sorted[i];
}

TEST(CdxFormat, DateKeysAreJulianDays) {
  EXPECT_EQ(julianDay(2000, 1, 1), 2451545);
  EXPECT_EQ(julianDay(1999, 12, 31), 2451544);
  const std::string a = dateKey(1999, 12, 31), b = dateKey(2000, 1, 1);
  EXPECT_EQ(hex({a.begin(), a.end()}), hex(bytesOf({0xC1, 0x42, 0xB4, 0x2C, 0, 0, 0, 0})));
  EXPECT_EQ(hex({b.begin(), b.end()}), hex(bytesOf({0xC1, 0x42, 0xB4, 0x2C, 0x80, 0, 0, 0})));
  EXPECT_EQ(dateKey(0, 0, 0), numericKey(0));
  EXPECT_LT(dateKey(0, 0, 0), dateKey(1, 1, 1));
  EXPECT_LT(dateKey(2024, 2, 29), dateKey(2024, 3, 1));
}

TEST(CdxFormat, CharacterKeysArePaddedOrCut) {
  const struct {
    const char* stored;
    int length;
    const char* key;
  } cases[] = {{"AB", 4, "AB  "}, {"ABCDEF", 4, "ABCD"}, {"", 3, "   "}, {"ABCD", 4, "ABCD"}};
  for (const auto& c : cases) EXPECT_EQ(characterKey(c.stored, c.length), c.key) << c.stored;
}

}  // namespace
