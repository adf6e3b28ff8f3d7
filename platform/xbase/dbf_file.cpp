#include "platform/xbase/dbf_file.h"

#include <time.h>

#include <cstring>

#include "platform/system/error.h"
#include "platform/xbase/file_names.h"

namespace xbase {

namespace {

constexpr size_t kHeaderSize = 32;
constexpr size_t kDescriptorSize = 32;
constexpr char kEndOfFile = 0x1A;

uint32_t le16(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const unsigned char* p) { return le16(p) | le16(p + 2) << 16; }
void putLe16(unsigned char* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void putLe32(unsigned char* p, uint32_t v) { putLe16(p, v); putLe16(p + 2, v >> 16); }

void putToday(unsigned char* p) {
  // Appends write the date on every row: convert once per second.
  thread_local time_t lastSecond = -1;
  thread_local unsigned char ymd[3];
  const time_t now = ::time(nullptr);
  if (now != lastSecond) {
    struct tm tm {};
    ::localtime_r(&now, &tm);
    ymd[0] = uint8_t(tm.tm_year);  // years since 1900
    ymd[1] = uint8_t(tm.tm_mon + 1);
    ymd[2] = uint8_t(tm.tm_mday);
    lastSecond = now;
  }
  std::memcpy(p, ymd, 3);
}

bool validName(const std::string& n) {
  if (n.empty() || n.size() > 10) return false;
  if (!((n[0] >= 'A' && n[0] <= 'Z') || n[0] == '_')) return false;
  for (char c : n)
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

}  // namespace

void DbfFile::checkFields(const std::string& fileName, const std::vector<FieldDef>& fields) {
  auto bad = [&](const FieldDef& f, const std::string& what) {
    throw sys::Error("Cannot create table '" + fileName + "': column '" + f.name + "' " + what);
  };
  if (fields.empty()) throw sys::Error("Cannot create table '" + fileName + "': it has no columns");
  long recordLength = 1;
  for (size_t i = 0; i < fields.size(); ++i) {
    const FieldDef& f = fields[i];
    if (!validName(f.name)) bad(f, "has an invalid name (A-Z, 0-9 and _, at most 10 characters)");
    for (size_t j = 0; j < i; ++j)
      if (fields[j].name == f.name) bad(f, "appears twice");
    switch (f.type) {
      case FieldType::Character:
        if (f.length < 1 || f.length > 254) bad(f, "needs a width of 1 to 254");
        break;
      case FieldType::Numeric:
        if (f.length < 1 || f.length > 20) bad(f, "needs a width of 1 to 20");
        if (f.decimals < 0 || (f.decimals > 0 && f.decimals > f.length - 2)) bad(f, "has too many decimals");
        break;
      case FieldType::Date:
        if (f.length != 8) bad(f, "must have width 8");
        break;
      case FieldType::Logical:
        if (f.length != 1) bad(f, "must have width 1");
        break;
      case FieldType::Memo:
        if (f.length != 10) bad(f, "must have width 10");
        break;
      default:
        bad(f, "has an unknown type");
    }
    recordLength += f.length;
  }
  if (recordLength > 65535) throw sys::Error("Cannot create table '" + fileName + "': its rows are too long");
}

void DbfFile::writeNew(int fd, const std::string& fileName, const std::vector<FieldDef>& fields,
                       bool structuralIndex) {
  checkFields(fileName, fields);
  bool memo = false;
  uint32_t recordLength = 1;
  for (const FieldDef& f : fields) {
    memo = memo || f.type == FieldType::Memo;
    recordLength += uint32_t(f.length);
  }
  const uint32_t headerLength = uint32_t(kHeaderSize + kDescriptorSize * fields.size() + 1);
  std::string bytes(headerLength + 1, '\0');
  auto* h = reinterpret_cast<unsigned char*>(bytes.data());
  h[0] = memo ? 0xF5 : 0x03;
  putToday(h + 1);
  putLe32(h + 4, 0);
  putLe16(h + 8, headerLength);
  putLe16(h + 10, recordLength);
  h[28] = structuralIndex ? kFlagStructuralIndex : 0;
  h[29] = 0x00;  // code page not marked: the store's text is UTF-8
  uint32_t offset = 1;
  for (size_t i = 0; i < fields.size(); ++i) {
    unsigned char* d = h + kHeaderSize + kDescriptorSize * i;
    std::memcpy(d, fields[i].name.data(), fields[i].name.size());
    d[11] = static_cast<unsigned char>(fields[i].type);
    putLe32(d + 12, offset);
    d[16] = uint8_t(fields[i].length);
    d[17] = uint8_t(fields[i].type == FieldType::Numeric ? fields[i].decimals : 0);
    offset += uint32_t(fields[i].length);
  }
  h[headerLength - 1] = 0x0D;
  h[headerLength] = kEndOfFile;
  writeAt(fd, bytes.data(), bytes.size(), 0, fileName);
}

DbfFile::DbfFile(Fd fd, std::string path, std::string fileName)
    : fd_(std::move(fd)), path_(std::move(path)), fileName_(std::move(fileName)) {
  const off_t size = fileSize(fd_.get(), fileName_);
  unsigned char h[kHeaderSize];
  if (size < off_t(kHeaderSize) || readAt(fd_.get(), h, kHeaderSize, 0, fileName_) != kHeaderSize)
    damaged("the file is shorter than a table header");
  version_ = h[0];
  flags_ = h[28];
  headerLength_ = le16(h + 8);
  recordLength_ = le16(h + 10);
  if (headerLength_ < kHeaderSize + 1 || off_t(headerLength_) > size)
    damaged("header length " + std::to_string(headerLength_) + " is out of range");
  if (recordLength_ < 1) damaged("record length 0");
  std::string desc(headerLength_ - kHeaderSize, '\0');
  readAt(fd_.get(), desc.data(), desc.size(), kHeaderSize, fileName_);
  size_t pos = 0;
  int offset = 1;
  for (;;) {
    if (pos >= desc.size()) damaged("the column list has no end marker");
    if (desc[pos] == 0x0D) break;
    if (pos + kDescriptorSize > desc.size()) damaged("the column list has no end marker");
    const auto* d = reinterpret_cast<const unsigned char*>(desc.data() + pos);
    FieldLayout f;
    size_t nameLen = 0;
    while (nameLen < 11 && d[nameLen] != 0) ++nameLen;
    f.def.name = upperAscii(std::string(reinterpret_cast<const char*>(d), nameLen));
    while (!f.def.name.empty() && f.def.name.back() == ' ') f.def.name.pop_back();
    if (f.def.name.empty()) damaged("column " + std::to_string(fields_.size() + 1) + " has no name");
    f.type = char(upperAscii(std::string(1, char(d[11])))[0]);
    f.def.type = f.type == 'F' ? FieldType::Numeric
                 : (f.type == 'G' || f.type == 'P') ? FieldType::Memo
                                                     : static_cast<FieldType>(f.type);
    f.def.length = d[16];
    f.def.decimals = d[17];
    if (f.type == 'C' && d[17] != 0 && version_ != 0x30 && version_ != 0x31 && version_ != 0x32)
      f.def.length = int(d[16]) | int(d[17]) << 8;  // long character columns (Clipper dialect)
    if (f.type == 'C') f.def.decimals = 0;
    if (f.def.length < 1) damaged("column '" + f.def.name + "' has width 0");
    f.offset = offset;
    offset += f.def.length;
    fields_.push_back(std::move(f));
    pos += kDescriptorSize;
  }
  if (fields_.empty()) damaged("it has no columns");
  if (uint32_t(offset) != recordLength_)
    damaged("record length " + std::to_string(recordLength_) + " does not match its columns (" +
            std::to_string(offset) + ")");
  count();
}

int DbfFile::findField(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (equalNoCase(fields_[i].def.name, name)) return int(i);
  return -1;
}

bool DbfFile::hasMemo() const {
  for (const FieldLayout& f : fields_)
    if (f.def.type == FieldType::Memo) return true;
  return false;
}

[[noreturn]] void DbfFile::damaged(const std::string& what) const {
  throw sys::Error("Table '" + fileName_ + "' is damaged: " + what);
}

uint32_t DbfFile::rowsInSize(off_t size) const {
  if (size <= off_t(headerLength_)) return 0;
  const off_t rows = (size - off_t(headerLength_)) / off_t(recordLength_);
  return rows > 0xFFFFFFFFll ? 0xFFFFFFFFu : uint32_t(rows);
}

uint32_t DbfFile::readHeaderCount() {
  unsigned char c[4];
  if (readAt(fd_.get(), c, 4, 4, fileName_) != 4) damaged("the file is shorter than a table header");
  return le32(c);
}

uint32_t DbfFile::count() {
  const uint32_t rows = rowsInSize(fileSize(fd_.get(), fileName_));
  const uint32_t claimed = readHeaderCount();
  if (claimed > rows)
    damaged("the header claims " + std::to_string(claimed) + " rows, the file holds " + std::to_string(rows));
  return rows;
}

void DbfFile::readRecord(uint32_t recno, char* buf) const {
  if (readAt(fd_.get(), buf, recordLength_, recordOffset(recno), fileName_) != recordLength_)
    damaged("record " + std::to_string(recno) + " lies past the end of the file");
}

uint32_t DbfFile::readRecords(uint32_t first, uint32_t n, char* buf) const {
  const size_t got = readAt(fd_.get(), buf, size_t(n) * recordLength_, recordOffset(first), fileName_);
  return uint32_t(got / recordLength_);
}

void DbfFile::writeRecord(uint32_t recno, const char* buf) {
  writeAt(fd_.get(), buf, recordLength_, recordOffset(recno), fileName_);
}

void DbfFile::writeDeletionFlag(uint32_t recno, char flag) {
  writeAt(fd_.get(), &flag, 1, recordOffset(recno), fileName_);
}

void DbfFile::writeAppended(uint32_t recno, const char* buf) {
  std::string bytes(buf, recordLength_);
  bytes.push_back(kEndOfFile);
  writeAt(fd_.get(), bytes.data(), bytes.size(), recordOffset(recno), fileName_);
}

void DbfFile::writeHeaderCount(int fd, const std::string& fileName, uint32_t count) {
  unsigned char h[7];
  putToday(h);
  putLe32(h + 3, count);
  writeAt(fd, h, sizeof h, 1, fileName);
}

void DbfFile::setFlags(uint8_t flags) {
  writeAt(fd_.get(), &flags, 1, 28, fileName_);
  flags_ = flags;
}

std::string DbfFile::blankRecord() const { return std::string(recordLength_, ' '); }

}  // namespace xbase
