// Other programs' readers and writers: tables we write are read back by
// python3-dbf and dbfread (structure, rows, memos, deleted marks); a FoxPro
// table written by python3-dbf, with a compound index assembled by hand
// from the documented byte layout (python3-dbf writes no index), is read,
// searched and extended by us.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/xbase/cursor.h"
#include "platform/xbase/table_check.h"
#include "tests/platform/xbase/test_support.h"

namespace xbase::test {
namespace {

// Prints the structure and every row (deleted ones marked) as each library
// reads them, one line each, values normalised to plain text.
const char* kDumpScript = R"PY(
import sys
which, path, enc = sys.argv[1], sys.argv[2], sys.argv[3]

def text(kind, dec, v):
    if v is None or (kind == 'D' and not v):
        return ''
    if kind == 'N':
        return ('%.' + str(dec) + 'f') % float(v)
    if kind == 'L':
        return 'T' if v is True else ('F' if v is False else '')
    if kind == 'D':
        return '%04d%02d%02d' % (v.year, v.month, v.day)
    return str(v).rstrip(' ').replace('\r', '\\r').replace('\n', '\\n')

if which == 'dbfread':
    import dbfread
    t = dbfread.DBF(path, encoding=enc, load=True)
    for f in t.fields:
        print('FIELD', f.name, f.type, f.length, f.decimal_count)
    rows = [(r, False) for r in t.records] + [(r, True) for r in t.deleted]
    kinds = {f.name: (f.type, f.decimal_count) for f in t.fields}
    for r, deleted in rows:
        print('ROW', '*' if deleted else ' ', '|'.join(text(kinds[k][0], kinds[k][1], v) for k, v in r.items()))
else:
    import dbf
    t = dbf.Table(path, codepage=enc)
    t.open(dbf.READ_ONLY)
    for name in t.field_names:
        info = t.field_info(name)
        print('FIELD', name.upper(), chr(info[0]), info[1], info[2])
    kinds = [(chr(t.field_info(n)[0]), t.field_info(n)[2]) for n in t.field_names]
    for r in t:
        vals = [text(kinds[i][0], kinds[i][1], r[i]) for i in range(len(kinds))]
        print('ROW', '*' if dbf.is_deleted(r) else ' ', '|'.join(vals))
    t.close()
)PY";

std::vector<std::string> lines(const std::string& s) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < s.size()) {
    size_t end = s.find('\n', start);
    if (end == std::string::npos) end = s.size();
    out.push_back(s.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

TEST(Interop, PythonReadersSeeOurStructureRowsMemosAndDeletedMarks) {
  TempDir dir;
  {
    auto t = Cursor::create(dir.path(), sampleDef());
    struct R {
      const char* id;
      const char* name;
      const char* amount;
      long position;
      Cursor::Date date;
      bool active;
      std::string notes;
    } rows[] = {
        {"ID1", "Smith", "12.5", 3, {2024, 2, 29}, true, "line one\r\nline two"},
        {"ID2", "M\xC3\xBCller", "-3", -42, {}, false, ""},
        {"ID3", "gone", "0", 0, {1999, 12, 31}, true, std::string(700, 'x')},
        {"ID4", "last", "", 7, {2000, 1, 1}, false, "\xE2\x82\xAC uro"},
    };
    for (const R& r : rows) {
      t->insert();
      t->setString("UNIQUE_ID", r.id);
      t->setString("LINK_ID", "L");
      t->setString("NAME", r.name);
      t->setString("AMOUNT", r.amount);
      t->setInt("POSITION", r.position);
      t->setDate("CREATEON", r.date);
      t->setBool("ACTIVE", r.active);
      t->setString("NOTES", r.notes);
      t->post();
    }
    t->go(3);
    t->remove();
  }
  const std::vector<std::string> fields = {
      "FIELD UNIQUE_ID C 20 0", "FIELD LINK_ID C 20 0", "FIELD NAME C 10 0",   "FIELD AMOUNT N 8 2",
      "FIELD POSITION N 6 0",   "FIELD CREATEON D 8 0", "FIELD ACTIVE L 1 0", "FIELD NOTES M 10 0"};
  const std::vector<std::string> live = {
      "ROW   ID1|L|Smith|12.50|3|20240229|T|line one\\r\\nline two",
      "ROW   ID2|L|M\xC3\xBCller|-3.00|-42||F|",
      "ROW   ID4|L|last||7|20000101|F|\xE2\x82\xAC uro",
  };
  const std::string deleted = "ROW * ID3|L|gone|0.00|0|19991231|T|" + std::string(700, 'x');
  for (const char* reader : {"dbfread", "dbf"}) {
    SCOPED_TRACE(reader);
    const RunResult r = runPython(kDumpScript, {reader, dir.file("ITEMS.DBF"), std::string(reader) == "dbf" ? "utf8" : "utf-8"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const auto got = lines(r.out);
    ASSERT_EQ(got.size(), fields.size() + 4) << r.out;
    for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(got[i], fields[i]);
    std::vector<std::string> rowsLive, rowsDeleted;
    for (size_t i = fields.size(); i < got.size(); ++i) (got[i][4] == '*' ? rowsDeleted : rowsLive).push_back(got[i]);
    // dbfread's blank numeric reads as None -> "", python3-dbf's as 0.
    if (std::string(reader) == "dbf") rowsLive[2] = "ROW   ID4|L|last|" + rowsLive[2].substr(rowsLive[2].find("|last|") + 6);
    EXPECT_EQ(rowsLive[0], live[0]);
    EXPECT_EQ(rowsLive[1], live[1]);
    if (std::string(reader) == "dbfread") {
      EXPECT_EQ(rowsLive[2], live[2]);
    }
    EXPECT_NE(rowsLive[2].find("|7|20000101|F|\xE2\x82\xAC uro"), std::string::npos) << rowsLive[2];
    ASSERT_EQ(rowsDeleted.size(), 1u);
    EXPECT_EQ(rowsDeleted[0], deleted);
  }
}

class FoxProFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(sourceDir() + "/tests/fixtures/xbase/foxpro", dir.path(),
                          std::filesystem::copy_options::recursive);
  }
  TempDir dir;
};

TEST_F(FoxProFixture, RowsAndMemosReadAsWritten) {
  auto t = Cursor::open(dir.path(), "PEOPLE.DBF");
  std::vector<std::string> names;
  for (const FieldDef& f : t->fields()) names.push_back(f.name + "/" + char(f.type) + std::to_string(f.length));
  EXPECT_EQ(names, (std::vector<std::string>{"NAME/C10", "NOTES/M10", "BORN/D8", "AGE/N3", "OK/L1"}));
  struct Expect {
    const char* name;
    std::string notes;
    const char* born;
    long age;
    bool ok;
  } rows[] = {{"SMITH", "first line\r\nsecond line", "19700102", 54, true},
              {"JONES", "", "", 7, false},
              {"SMITHERS", std::string(200, 'x'), "20000101", 0, true}};
  size_t i = 0;
  for (t->first(); !t->eof(); t->next(), ++i) {
    ASSERT_LT(i, std::size(rows));
    EXPECT_EQ(t->getString("NAME"), rows[i].name);
    EXPECT_EQ(t->getString("NOTES"), rows[i].notes);
    EXPECT_EQ(t->getString("BORN"), rows[i].born);
    EXPECT_EQ(t->getInt("AGE"), rows[i].age);
    EXPECT_EQ(t->getBool("OK"), rows[i].ok);
  }
  EXPECT_EQ(i, 3u);
}

TEST_F(FoxProFixture, HandAssembledIndexGivesTagOrderAndSeeks) {
  auto t = Cursor::open(dir.path(), "people.dbf");
  EXPECT_EQ(t->tagNames(), (std::vector<std::string>{"NAME"}));
  t->setOrder("NAME");
  std::vector<uint32_t> order;
  for (t->first(); !t->eof(); t->next()) order.push_back(t->recno());
  EXPECT_EQ(order, (std::vector<uint32_t>{2, 1, 3}));
  ASSERT_TRUE(t->seek("SMITH"));
  EXPECT_EQ(t->recno(), 1u);
  EXPECT_FALSE(t->seek("SMITHE"));
  EXPECT_TRUE(checkTable(dir.path(), "people.dbf").empty());
}

TEST_F(FoxProFixture, RowsWeAppendAreIndexedAndReadByPythonDbf) {
  {
    auto t = Cursor::open(dir.path(), "people.dbf");
    t->insert();
    t->setString("NAME", "ADAMS");
    t->setString("NOTES", "added by us");
    t->setString("BORN", "19851224");
    t->setInt("AGE", 39);
    t->setBool("OK", true);
    t->post();
    EXPECT_EQ(t->recno(), 4u);
    t->setOrder("NAME");
    t->first();
    EXPECT_EQ(t->getString("NAME"), "ADAMS");
  }
  EXPECT_TRUE(checkTable(dir.path(), "people.dbf").empty());
  const RunResult r = runPython(kDumpScript, {"dbf", dir.file("people.dbf"), "cp1252"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const auto got = lines(r.out);
  ASSERT_EQ(got.size(), 5u + 4u) << r.out;
  EXPECT_EQ(got.back(), "ROW   ADAMS|added by us|19851224|39|T");
}

}  // namespace
}  // namespace xbase::test
