// Cursor: a view of one table, the only way the programs read and write rows.
//
// Contract:
// - Each cursor opens the table's files itself (table, memo, structural
//   compound index), so two cursors on one table behave like two programs:
//   their record locks and share modes exclude each other.
// - Shared open: several cursors and programs at once. Exclusive open fails
//   with sys::Error while any other cursor or program has the table open.
// - Rows marked deleted are invisible to every move, seek and count.
// - Order: record order, or the order of one tag (setOrder). A detail view
//   (setMaster) is ordered by one of its tags and restricted to the rows
//   whose key equals a column of the master cursor's current row; it follows
//   the master: when the master moves, the detail view stands on its first
//   matching row at the next access.
// - Text columns are stored as UTF-8, read back without trailing blanks and
//   cut to the column width on write without splitting a character. Reading
//   or writing a column the table lacks raises sys::Error naming the column
//   and the table.
// - insert() starts a blank row and runs the afterInsert hook; the caller sets
//   columns; post() appends it (header and record locks taken, every tag of the
//   compound index kept). edit() + set + post() rewrite the current row under
//   its record lock. remove() marks the current row deleted.
// - refresh() makes rows written by other programs visible; it costs a few
//   system calls whatever the size of the table.
// - Not on a row (eof, empty view), the getters return blank values (after
//   checking that the column exists). Setters need insert() or edit().
//   Moving, seeking or refreshing while a row is being inserted or edited
//   posts it first. post() writes only the columns that were set into the row
//   as it is on disk at that moment, so columns that another program changed
//   meanwhile are kept.
// - go() to a row that is marked deleted leaves the cursor off any row.
// - In a detail view, insert() fills the link column from the master's row.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xbase/table_def.h"

namespace xbase {

enum class OpenMode { Shared, Exclusive };

class Cursor {
 public:
  // Opens `fileName` in `folder` (file, memo and index names matched without
  // regard to case). Raises sys::Error when the table cannot be opened.
  static std::unique_ptr<Cursor> open(const std::string& folder, const std::string& fileName,
                                      OpenMode mode = OpenMode::Shared);
  // Creates the table (and its memo and compound index with the given tags)
  // and returns it opened exclusive. Fails when the file exists.
  static std::unique_ptr<Cursor> create(const std::string& folder, const TableDef& def);
  ~Cursor();

  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  const std::string& fileName() const;  // as found on disk
  const std::string& path() const;
  std::vector<FieldDef> fields() const;
  std::vector<std::string> tagNames() const;  // creation order
  bool exclusive() const;

  // Order and detail views.
  void setOrder(const std::string& tag);  // "" = record order
  const std::string& order() const;
  void setMaster(Cursor* master, const std::string& masterColumn, const std::string& tag);

  // Navigation over visible rows of the view.
  void first();
  void next();
  bool eof();
  uint32_t recno() const;  // 0 when not on a row
  // Positions on record `recno` (no view restriction); raises when out of range.
  void go(uint32_t recno);
  // Seeks `value` (a column value, padded as the tag's key) through the
  // current order's tag. Exact: found only when the key equals. Not found:
  // nearest = stands on the first row with a greater key; otherwise eof().
  bool seek(std::string_view value, bool nearest = false);
  bool seekDate(int year, int month, int day, bool nearest = false);
  uint32_t count();
  void refresh();

  // Columns of the current row (or of the row being inserted or edited).
  std::string getString(std::string_view column) const;  // text, memo, and any type as text
  long getInt(std::string_view column) const;
  bool getBool(std::string_view column) const;
  struct Date { int year = 0, month = 0, day = 0; bool empty() const { return year == 0; } };
  Date getDate(std::string_view column) const;

  void setString(std::string_view column, std::string_view value);
  void setInt(std::string_view column, long value);
  void setBool(std::string_view column, bool value);
  void setDate(std::string_view column, Date value);

  // Changes.
  std::function<void(Cursor&)> afterInsert;
  void insert();
  void edit();
  void post();
  void cancel();
  void remove();
  bool editing() const;

  // Maintenance views: show rows marked deleted too, and tell them apart.
  void setShowDeleted(bool show);
  bool deleted() const;  // the current row is marked deleted

  // Maintenance (exclusive open required; raises otherwise).
  void pack();     // removes deleted rows, rebuilds every tag
  void zap();      // removes all rows
  void reindex();  // rebuilds every tag from the table
  // Rebuilds the index with exactly these tags (made when missing); repairs
  // an index file that cannot be read.
  void reindex(const std::vector<TagDef>& tags);
  void createTag(const std::string& name, const std::string& column, bool unique);

  struct Impl;

 private:
  explicit Cursor(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace xbase
