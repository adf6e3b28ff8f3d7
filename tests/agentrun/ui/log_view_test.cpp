// The log view on the offscreen platform: rows inserted at the top keep what
// the operator is reading in sight, selections survive insertions, copying
// gives the selected lines newest first.
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QStringListModel>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "agentrun/ui/log_view.h"

namespace agentrun {
namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "log_view_test";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

// A log model that grows at the top, as the processor log does.
struct Log {
  QStringListModel model;
  int next = 0;
  void add(int n = 1) {
    for (int i = 0; i < n; ++i) {
      model.insertRows(0, 1);
      model.setData(model.index(0), QString("line %1").arg(next++));
    }
  }
};

struct LogViewTest : ::testing::Test {
  void SetUp() override {
    app();
    view = std::make_unique<LogView>();
    view->resize(400, 10 * 20);
    view->setModel(&log.model);
    view->show();
  }
  Log log;
  std::unique_ptr<LogView> view;  // made once the application exists
};

TEST_F(LogViewTest, NewLinesShowAtTheTopUnlessTheOperatorScrolledDown) {
  log.add(100);
  EXPECT_EQ(view->topRow(), 0);
  log.add();
  EXPECT_EQ(view->topRow(), 0);  // reading the newest lines: the new one shows
  view->verticalScrollBar()->setValue(30);
  const QString inSight = log.model.index(view->topRow()).data().toString();
  log.add(5);
  EXPECT_EQ(log.model.index(view->topRow()).data().toString(), inSight);
  EXPECT_EQ(view->verticalScrollBar()->maximum() + view->verticalScrollBar()->pageStep(), 106);
}

TEST_F(LogViewTest, SelectionFollowsItsLinesAndCopiesNewestFirst) {
  log.add(20);  // row 0 = "line 19"
  const int y2 = 2 * view->rowHeight() + 1, y4 = 4 * view->rowHeight() + 1;
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(5, y2));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, y4));
  EXPECT_EQ(view->selectedText(), "line 17\nline 16\nline 15");
  log.add(3);  // the same lines stay selected, three rows further down
  int first = 0, last = 0;
  ASSERT_TRUE(view->selectedRows(first, last));
  EXPECT_EQ(first, 5);
  EXPECT_EQ(last, 7);
  QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "line 17\nline 16\nline 15");
  QTest::keyClick(view.get(), Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(view->selectedText(), "line 17\nline 16\nline 15\nline 14");
  QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_TRUE(view->selectedText().startsWith("line 22\nline 21"));
  EXPECT_TRUE(view->selectedText().endsWith("line 1\nline 0"));
}

TEST_F(LogViewTest, AResetClearsTheSelectionAndReturnsToTheTop) {
  log.add(50);
  view->verticalScrollBar()->setValue(20);
  view->selectAll();
  log.model.setStringList({"only"});
  EXPECT_EQ(view->topRow(), 0);
  int first = 0, last = 0;
  EXPECT_FALSE(view->selectedRows(first, last));
  EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace agentrun
