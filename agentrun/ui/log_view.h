// LogView: the processor log as a read-only list of lines, newest at the top,
// for logs of any length.
//
// Contract:
// - Shows the rows of a one-column list model (the log model) in one fixed
//   line height; a row's place is computed from its number, never laid out,
//   so a row inserted or the whole log replaced costs the same for ten lines
//   and for millions. Only the rows in sight are asked for their text.
// - Rows inserted at the top while the operator has scrolled down keep the
//   rows in sight where they are (the view moves down with them); at the top
//   the new row shows.
// - Selection of a range of rows with the mouse (click, shift-click, drag)
//   and the keyboard (arrows, Page Up/Down, Home/End with Shift); Ctrl+C and
//   the pop-up's "&Copy" put the selected lines on the clipboard, newest
//   first, one per line; Ctrl+A and "Select &All" select every row. Selected
//   rows stay selected while rows are inserted above them.
#pragma once

#include <QAbstractItemModel>
#include <QAbstractScrollArea>
#include <QPointer>

namespace agentrun {

class LogView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit LogView(QWidget* parent = nullptr);

  void setModel(QAbstractItemModel* model);
  QAbstractItemModel* model() const { return model_; }

  int rowHeight() const { return rowHeight_; }
  // First row in sight (0 = the newest line).
  int topRow() const;
  // Selected rows as [first, last] in the current numbering; false when none.
  bool selectedRows(int& first, int& last) const;
  QString selectedText() const;
  void selectAll();
  void copy() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int rows() const;
  int rowAt(int y) const;
  // Rows are remembered by their distance from the oldest line, which rows
  // inserted at the top do not change.
  long long idOf(int row) const { return rows() - 1LL - row; }
  int rowOf(long long id) const { return int(rows() - 1LL - id); }
  void rowsInserted(int first, int last);
  void modelReset();
  void updateScrollBars();
  void moveCurrent(int row, bool extend);
  void measure();
  void widen(int row);

  QPointer<QAbstractItemModel> model_;
  int rowHeight_ = 16;
  int widest_ = 0;  // widest line measured so far, in pixels
  long long anchorId_ = -1, currentId_ = -1;
};

}  // namespace agentrun
