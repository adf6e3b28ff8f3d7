// The status window's collapsed and expanded states through its buttons,
// Escape, the close box and errors, on the offscreen platform.
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/cfgman_app.h"
#include "../support/scripted_dialogs.h"
#include "cfgman/status/status_feed.h"
#include "cfgman/status/status_window.h"
#include "platform/system/hook_recorder.h"

namespace cfgman::testing {
namespace {

enum class Step { Show, Details, CloseButton, Escape, CloseBox, Error };

struct Expected {
  bool visible;
  int height;
  int tag;
  const char* caption;
};

struct StateCase {
  const char* name;
  std::vector<Step> steps;
  Expected expected;
};

void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }

void run(TfrmStatus& w, StatusFeed& feed, Step s) {
  switch (s) {
    case Step::Show: w.show(); break;
    case Step::Details: QTest::mouseClick(w.btnDetails, Qt::LeftButton); break;
    case Step::CloseButton: QTest::mouseClick(w.OfficeButton1, Qt::LeftButton); break;
    case Step::Escape: {
      // The Escape key reaches the hidden cancel button through its shortcut.
      QTest::keyClick(&w, Qt::Key_Escape);
      break;
    }
    case Step::CloseBox: w.close(); break;
    case Step::Error: feed.AppException("boom"); break;
  }
}

class StatusStates : public ::testing::TestWithParam<StateCase> {};

TEST_P(StatusStates, EndsInExpectedState) {
  app();
  ScriptedDialogs dialogs;
  sys::HookRecorder hooks;
  TfrmStatus w;
  StatusFeed feed;
  feed.setStatusWindow(&w);
  for (Step s : GetParam().steps) {
    run(w, feed, s);
    if (s == Step::Show || s == Step::Error) {
      w.activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
  }
  const Expected& e = GetParam().expected;
  EXPECT_EQ(w.isVisible(), e.visible);
  EXPECT_EQ(w.state().height, e.height);
  EXPECT_EQ(w.tag(), e.tag);
  EXPECT_EQ(w.btnDetails->text().toStdString(), e.caption);
  // The log lies below the visible client area unless expanded.
  EXPECT_EQ(w.REStatus->geometry().bottom() < w.height(), e.height == 440);
  EXPECT_EQ(w.REStatus->geometry().top() < w.height(), e.height == 440);
  EXPECT_TRUE(dialogs.asked.isEmpty());
}

const Expected kCollapsedShown{true, 289, 0, "Details >>"};
const Expected kExpandedShown{true, 440, 2, "Hide Details <<"};

INSTANTIATE_TEST_SUITE_P(
    Sequences, StatusStates,
    ::testing::Values(
        StateCase{"ShownFirstCollapsed", {Step::Show}, kCollapsedShown},
        StateCase{"DetailsExpands", {Step::Show, Step::Details}, kExpandedShown},
        StateCase{"DetailsTwiceCollapses", {Step::Show, Step::Details, Step::Details}, kCollapsedShown},
        StateCase{"CloseButtonKeepsExpanded",
                  {Step::Show, Step::Details, Step::CloseButton, Step::Show}, kExpandedShown},
        StateCase{"EscapeHidesKeepingExpanded", {Step::Show, Step::Details, Step::Escape},
                  {false, 440, 2, "Hide Details <<"}},
        StateCase{"EscapeThenShowExpanded",
                  {Step::Show, Step::Details, Step::Escape, Step::Show}, kExpandedShown},
        StateCase{"CloseBoxReopensCollapsed",
                  {Step::Show, Step::Details, Step::CloseBox, Step::Show}, kCollapsedShown},
        StateCase{"CloseBoxHidesCollapsed", {Step::Show, Step::Details, Step::CloseBox},
                  {false, 289, 0, "Details >>"}},
        StateCase{"ErrorWhileHiddenOpensExpanded", {Step::Error}, kExpandedShown},
        StateCase{"ErrorWhileCollapsedOnlyRaises", {Step::Show, Step::Error},
                  {true, 289, 2, "Details >>"}},
        StateCase{"ErrorWhileCollapsedThenReopenExpanded",
                  {Step::Show, Step::Error, Step::CloseButton, Step::Show}, kExpandedShown},
        StateCase{"ErrorThenCloseBoxReopensCollapsed",
                  {Step::Error, Step::CloseBox, Step::Show}, kCollapsedShown}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StatusWindow, ControlsStartWithTheirTexts) {
  app();
  TfrmStatus w;
  EXPECT_EQ(w.windowTitle(), "karvix System Status");
  EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(w.windowFlags().testFlag(Qt::Tool));
  EXPECT_FALSE(w.isVisible());
  const std::vector<std::pair<QLabel*, QString>> initial = {
      {w.lblActiveOn, " /  /  "}, {w.lblPScans, "0"},  {w.lblAScans, "0"},
      {w.lblNumErrors, "0"},      {w.lblNumWarings, "0"}, {w.lblLastError, ""},
      {w.lblLastPMessage, ""},    {w.lblLastAMessage, ""}, {w.lblCurrentNode, ""},
      {w.lblCurrentAction, ""}};
  for (const auto& [label, text] : initial) EXPECT_EQ(label->text(), text);
  EXPECT_TRUE(w.lblNumErrors->font().bold());
  EXPECT_TRUE(w.lblLastError->wordWrap());
  EXPECT_EQ(w.progMessage->value(), 0);
  EXPECT_EQ(w.progNode->maximum(), 100);
  EXPECT_EQ(w.OfficeButton1->text(), "Close");
  EXPECT_EQ(w.btnCancel->text(), "Close");
  EXPECT_GE(w.btnCancel->geometry().left(), w.width());  // outside the client area
  EXPECT_EQ(w.REStatus->geometry(), QRect(16, 268, 477, 133));
  EXPECT_FALSE(w.REStatus->isReadOnly());
  EXPECT_EQ(w.width(), 516);
}

}  // namespace
}  // namespace cfgman::testing
