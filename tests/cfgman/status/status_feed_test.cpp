// The log operation and the error handler feeding the status window, and the
// application object handing escaped errors to the handler.
#include <QEvent>
#include <gtest/gtest.h>

#include "../support/cfgman_app.h"
#include "../support/scripted_dialogs.h"
#include "cfgman/status/status_feed.h"
#include "cfgman/status/status_window.h"
#include "platform/system/clock.h"
#include "platform/system/error.h"
#include "platform/system/hook_recorder.h"

namespace cfgman::testing {
namespace {

class FeedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    feed.setStatusWindow(&w);
    feed.onStatusText = [this](const QString& t) { statusTexts << t; };
  }
  Application& application = app();  // before any widget
  sys::ScopedClock clock{sys::DateTime::fromParts(2026, 3, 4, 13, 5, 6)};
  ScriptedDialogs dialogs;
  sys::HookRecorder hooks;
  TfrmStatus w;
  StatusFeed feed;
  QStringList statusTexts;
};

TEST_F(FeedTest, LogLinesCollectNewestFirstWhileHidden) {
  feed.SendtoLog("Opening tables", 0);
  clock.advanceSeconds(61);
  feed.SendtoLog("Building tree", 3);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.logLines(), (QStringList{"3/4/2026 1:06:07 PM -- Building tree",
                                       "3/4/2026 1:05:06 PM -- Opening tables"}));
  EXPECT_EQ(w.lblLastPMessage->text(), "3/4/2026 1:06:07 PM Building tree");
  EXPECT_EQ(statusTexts, (QStringList{"Opening tables", "Building tree"}));
  EXPECT_TRUE(hooks.events.empty());
  w.show();
  EXPECT_EQ(w.logLines().size(), 2);
}

TEST_F(FeedTest, TwoErrorsCountAndStackNewestOnTop) {
  feed.SendtoLog("Ready", 0);
  feed.AppException("'x' is not a valid date");
  clock.advanceSeconds(1);
  feed.AppException("Unable to create directory");
  EXPECT_EQ(feed.errorCount(), 2);
  EXPECT_EQ(w.lblNumErrors->text(), "2");
  EXPECT_EQ(w.lblLastError->text(), "Unable to create directory");
  EXPECT_EQ(w.logLines(), (QStringList{"3/4/2026 1:05:07 PM -- Error-Unable to create directory",
                                       "3/4/2026 1:05:06 PM -- Error-'x' is not a valid date",
                                       "3/4/2026 1:05:06 PM -- Ready"}));
  EXPECT_EQ(hooks.events, (std::vector<std::string>{"beep", "beep"}));
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.state().height, 440);
  // Errors are not processor status lines.
  EXPECT_EQ(w.lblLastPMessage->text(), "3/4/2026 1:05:06 PM Ready");
  EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST(FeedWithoutWindow, ErrorBeforeWindowIsAMessageBoxAndStillCounts) {
  app();
  ScriptedDialogs dialogs;
  sys::HookRecorder hooks;
  StatusFeed feed;
  feed.SendtoLog("early", 0);  // nowhere to go but the status bar
  feed.AppException("Unable to open settings");
  EXPECT_EQ(dialogs.asked, QStringList{"message|Unable to open settings"});
  EXPECT_TRUE(hooks.events.empty());
  TfrmStatus w;
  feed.setStatusWindow(&w);
  feed.AppException("later");
  EXPECT_EQ(w.lblNumErrors->text(), "2");
  EXPECT_EQ(w.logLines().size(), 1);
}

class Thrower : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw sys::Error("Table is locked");
    return QObject::event(e);
  }
};

TEST(ApplicationObject, ErrorEscapingAHandlerReachesTheHandlerOnce) {
  Application& a = app();
  QStringList seen;
  a.onException = [&](const QString& m) { seen << m; };
  Thrower t;
  QEvent e(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&t, &e));
  a.onException = nullptr;
  EXPECT_EQ(seen, QStringList{"Table is locked"});
}

}  // namespace
}  // namespace cfgman::testing
