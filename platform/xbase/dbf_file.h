// DbfFile: the table file (.dbf) of the FoxPro 2.x dialect: its header,
// column descriptors and fixed-length records.
//
// Contract:
// - Opening reads the 32-byte header and the column descriptors (counted up
//   to the 0x0D terminator, whatever the header length), computes column
//   offsets by summing lengths, and checks that everything is in range.
//   Damage raises sys::Error "Table 'X.DBF' is damaged: ...".
// - Records are read and written whole with one pread/pwrite each; record n
//   (1-based) starts at headerLength + (n-1) * recordLength.
// - The row count comes from the file size (a torn tail counts for nothing);
//   a header that claims more rows than the file holds is damage.
// - New tables get version 0xF5 when they have memo columns and 0x03
//   otherwise, code page mark 0x00 (text is UTF-8, for which FoxPro has no
//   mark), the year byte as year - 1900, and displacements filled in.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xbase/file_io.h"
#include "platform/xbase/table_def.h"

namespace xbase {

struct FieldLayout {
  FieldDef def;
  char type = 'C';  // the type letter as stored
  int offset = 0;   // in the record; byte 0 is the deletion flag
};

constexpr uint8_t kFlagStructuralIndex = 0x01;
constexpr char kLive = ' ';
constexpr char kDeleted = '*';

class DbfFile {
 public:
  // Writes the header of a new empty table into `fd`.
  static void writeNew(int fd, const std::string& fileName, const std::vector<FieldDef>& fields,
                       bool structuralIndex);
  // Checks the column definitions of a new table; raises on a bad one.
  static void checkFields(const std::string& fileName, const std::vector<FieldDef>& fields);

  DbfFile(Fd fd, std::string path, std::string fileName);

  int fd() const { return fd_.get(); }
  const std::string& path() const { return path_; }
  const std::string& fileName() const { return fileName_; }
  // Swaps in another file of the same layout (the table rewritten by pack).
  void replaceFd(Fd fd) { fd_ = std::move(fd); }

  uint8_t version() const { return version_; }
  uint8_t flags() const { return flags_; }
  uint32_t headerLength() const { return headerLength_; }
  uint32_t recordLength() const { return recordLength_; }
  const std::vector<FieldLayout>& fields() const { return fields_; }
  int findField(std::string_view name) const;  // case ignored; -1 when absent
  bool hasMemo() const;

  // Rows held by a file of `size` bytes (any torn tail ignored).
  uint32_t rowsInSize(off_t size) const;
  // Current row count: from the file size, checked against the header.
  uint32_t count();
  // The count from the file size alone (for appends, under the header lock).
  uint32_t countFromSize() const { return rowsInSize(fileSize(fd_.get(), fileName_)); }
  uint32_t readHeaderCount();

  off_t recordOffset(uint32_t recno) const {
    return off_t(headerLength_) + off_t(recno - 1) * off_t(recordLength_);
  }
  void readRecord(uint32_t recno, char* buf) const;
  // Reads up to `n` whole records from `first`; returns how many it read.
  uint32_t readRecords(uint32_t first, uint32_t n, char* buf) const;
  void writeRecord(uint32_t recno, const char* buf);
  void writeDeletionFlag(uint32_t recno, char flag);
  // Writes record `recno` (the new last one) followed by the 0x1A end mark.
  void writeAppended(uint32_t recno, const char* buf);
  // Writes the row count and today's date into the header.
  void writeHeaderCount(uint32_t count) { writeHeaderCount(fd_.get(), fileName_, count); }
  static void writeHeaderCount(int fd, const std::string& fileName, uint32_t count);
  void setFlags(uint8_t flags);

  std::string blankRecord() const;
  [[noreturn]] void damaged(const std::string& what) const;

 private:
  Fd fd_;
  std::string path_;
  std::string fileName_;
  uint8_t version_ = 0;
  uint8_t flags_ = 0;
  uint32_t headerLength_ = 0;
  uint32_t recordLength_ = 0;
  std::vector<FieldLayout> fields_;
};

}  // namespace xbase
