// Column values in the record bytes: how text, numbers, dates, logicals and
// memo pointers are stored in a FoxPro 2.x record, and read back.
//
// Contract:
// - Text is UTF-8. Stored left-aligned and blank-padded; a longer value is
//   cut to the column width at a character boundary (a multi-byte character
//   is never split). Read back without trailing blanks (and NULs).
// - Numbers: ASCII, right-aligned, exactly `decimals` digits after the point;
//   a value that does not fit the width is an error, never "***". Blank
//   reads as 0; anything else that is not a number is an error.
// - Dates: "YYYYMMDD"; eight blanks is the empty date. Logicals: 'T'/'F',
//   read T/t/Y/y as true; blank or '?' is false.
// - Memo pointers: a block number, right-aligned and blank-padded in 10
//   bytes (or 4 bytes little-endian in Visual FoxPro tables); 0 = no memo.
// Errors name the column and the table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/xbase/dbf_file.h"

namespace xbase {

struct Ymd {
  int year = 0, month = 0, day = 0;  // year 0: the empty date
};

// The longest prefix of `s` of at most `width` bytes that ends on a UTF-8
// character boundary.
std::string_view cutUtf8(std::string_view s, size_t width);
std::string_view trimRight(std::string_view s);
bool validDate(int year, int month, int day);

class FieldCodec {
 public:
  FieldCodec(const FieldLayout& field, const std::string& tableName) : f_(field), table_(tableName) {}

  std::string_view raw(const char* rec) const {
    return std::string_view(rec + f_.offset, size_t(f_.def.length));
  }

  std::string text(const char* rec) const;  // any type except memo, as text
  long integer(const char* rec) const;
  double number(const char* rec) const;
  bool logical(const char* rec) const;
  Ymd date(const char* rec) const;
  uint32_t memoBlock(const char* rec) const;

  void setText(char* rec, std::string_view value) const;  // parses for non-text columns
  void setInteger(char* rec, long value) const;
  void setNumber(char* rec, double value) const;
  void setLogical(char* rec, bool value) const;
  void setDate(char* rec, Ymd value) const;
  void setMemoBlock(char* rec, uint32_t block) const;

  [[noreturn]] void fail(const std::string& what) const;

 private:
  void put(char* rec, std::string_view bytes, bool rightAlign) const;
  const FieldLayout& f_;
  const std::string& table_;
};

}  // namespace xbase
