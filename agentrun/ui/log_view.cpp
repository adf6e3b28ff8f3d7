#include "agentrun/ui/log_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace agentrun {

namespace {
constexpr int kMargin = 3;           // pixels left of the text
constexpr int kMeasuredOnReset = 2000;  // rows measured for the scroll width
}  // namespace

LogView::LogView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  measure();
}

void LogView::setModel(QAbstractItemModel* model) {
  if (model_) disconnect(model_, nullptr, this, nullptr);
  model_ = model;
  if (model_) {
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
              if (!parent.isValid()) rowsInserted(first, last);
            });
    connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] { modelReset(); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { modelReset(); });
    connect(model_, &QAbstractItemModel::dataChanged, viewport(), [this] { viewport()->update(); });
  }
  modelReset();
}

int LogView::rows() const { return model_ ? model_->rowCount() : 0; }

int LogView::topRow() const { return verticalScrollBar()->value(); }

int LogView::rowAt(int y) const { return topRow() + std::max(0, y) / rowHeight_; }

void LogView::measure() {
  const QFontMetrics fm(font());
  rowHeight_ = std::max(1, fm.height());
}

void LogView::widen(int row) {
  if (!model_ || row < 0 || row >= rows()) return;
  const int w = QFontMetrics(font()).horizontalAdvance(model_->index(row, 0).data().toString()) + 2 * kMargin;
  if (w > widest_) {
    widest_ = w;
    updateScrollBars();
  }
}

void LogView::rowsInserted(int first, int last) {
  const int added = last - first + 1;
  QScrollBar* v = verticalScrollBar();
  const bool atTop = v->value() == 0;
  const int keep = v->value();
  updateScrollBars();
  // Rows inserted above what is in sight push it down: follow it, unless the
  // operator is looking at the newest lines.
  if (!atTop && first <= keep) v->setValue(keep + added);
  for (int r = first; r <= last && r < first + 8; ++r) widen(r);
  viewport()->update();
}

void LogView::modelReset() {
  anchorId_ = currentId_ = -1;
  widest_ = 0;
  const int n = std::min(rows(), kMeasuredOnReset);
  const QFontMetrics fm(font());
  for (int r = 0; r < n; ++r)
    widest_ = std::max(widest_, fm.horizontalAdvance(model_->index(r, 0).data().toString()) + 2 * kMargin);
  verticalScrollBar()->setValue(0);
  updateScrollBars();
  viewport()->update();
}

void LogView::updateScrollBars() {
  const int page = std::max(1, viewport()->height() / rowHeight_);
  QScrollBar* v = verticalScrollBar();
  v->setPageStep(page);
  v->setSingleStep(1);
  v->setRange(0, std::max(0, rows() - page));
  QScrollBar* h = horizontalScrollBar();
  h->setPageStep(viewport()->width());
  h->setSingleStep(std::max(1, QFontMetrics(font()).averageCharWidth()));
  h->setRange(0, std::max(0, widest_ - viewport()->width()));
}

void LogView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBars();
}

void LogView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    measure();
    modelReset();
  }
}

bool LogView::selectedRows(int& first, int& last) const {
  if (anchorId_ < 0 || currentId_ < 0) return false;
  first = std::max(0, rowOf(std::max(anchorId_, currentId_)));
  last = std::min(rows() - 1, rowOf(std::min(anchorId_, currentId_)));
  return first <= last;
}

void LogView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.setFont(font());
  const int n = rows();
  const int top = topRow();
  const int visible = viewport()->height() / rowHeight_ + 2;
  const int dx = kMargin - horizontalScrollBar()->value();
  const QFontMetrics fm(font());
  int selFirst = 0, selLast = -1;
  selectedRows(selFirst, selLast);
  const QPalette& pal = palette();
  int widest = widest_;
  for (int i = 0; i < visible && top + i < n; ++i) {
    const int row = top + i;
    const QRect line(0, i * rowHeight_, viewport()->width(), rowHeight_);
    const QString text = model_->index(row, 0).data().toString();
    widest = std::max(widest, fm.horizontalAdvance(text) + 2 * kMargin);
    const bool selected = row >= selFirst && row <= selLast;
    if (selected) p.fillRect(line, pal.brush(QPalette::Highlight));
    p.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    p.drawText(QPoint(dx, line.top() + fm.ascent()), text);
  }
  if (widest > widest_) {
    widest_ = widest;
    updateScrollBars();
  }
}

void LogView::moveCurrent(int row, bool extend) {
  const int n = rows();
  if (n == 0) return;
  row = std::clamp(row, 0, n - 1);
  currentId_ = idOf(row);
  if (!extend || anchorId_ < 0) anchorId_ = currentId_;
  QScrollBar* v = verticalScrollBar();
  const int page = std::max(1, viewport()->height() / rowHeight_);
  if (row < v->value()) v->setValue(row);
  if (row >= v->value() + page) v->setValue(row - page + 1);
  viewport()->update();
}

void LogView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    moveCurrent(rowAt(int(event->position().y())), event->modifiers() & Qt::ShiftModifier);
  } else if (event->button() == Qt::RightButton) {
    // Right-clicking outside the selection selects the row under the mouse.
    int first = 0, last = -1;
    const int row = rowAt(int(event->position().y()));
    if (!selectedRows(first, last) || row < first || row > last) moveCurrent(row, false);
  }
  QAbstractScrollArea::mousePressEvent(event);
}

void LogView::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) moveCurrent(rowAt(int(event->position().y())), true);
  QAbstractScrollArea::mouseMoveEvent(event);
}

void LogView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    copy();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
    return;
  }
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  const int current = currentId_ >= 0 ? rowOf(currentId_) : -1;
  const int page = std::max(1, viewport()->height() / rowHeight_);
  switch (event->key()) {
    case Qt::Key_Up: moveCurrent(current - 1, extend); return;
    case Qt::Key_Down: moveCurrent(current + 1, extend); return;
    case Qt::Key_PageUp: moveCurrent(current - page, extend); return;
    case Qt::Key_PageDown: moveCurrent(current + page, extend); return;
    case Qt::Key_Home: moveCurrent(0, extend); return;
    case Qt::Key_End: moveCurrent(rows() - 1, extend); return;
    default: break;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void LogView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  int first = 0, last = -1;
  QAction* copyAction = menu.addAction("&Copy", [this] { copy(); });
  copyAction->setEnabled(selectedRows(first, last));
  menu.addAction("Select &All", [this] { selectAll(); });
  menu.exec(event->globalPos());
}

QString LogView::selectedText() const {
  int first = 0, last = -1;
  if (!selectedRows(first, last)) return {};
  QStringList lines;
  lines.reserve(last - first + 1);
  for (int r = first; r <= last; ++r) lines << model_->index(r, 0).data().toString();
  return lines.join('\n');
}

void LogView::selectAll() {
  if (rows() == 0) return;
  anchorId_ = idOf(0);
  currentId_ = idOf(rows() - 1);
  viewport()->update();
}

void LogView::copy() const {
  const QString text = selectedText();
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

}  // namespace agentrun
