// The processor window and the tray form on the offscreen platform.
#include <QApplication>
#include <QCloseEvent>
#include <QTest>

#include "../pass/pass_fixture.h"
#include "agentrun/ui/processor_window.h"
#include "agentrun/ui/tray_form.h"

namespace agentrun::testing {
namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "windows_test";
  static char* argv[] = {name, nullptr};
  // Never destroyed: Qt's objects of other tests may still refer to it at exit.
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

class WindowsTest : public PassFixture {
 protected:
  void SetUp() override {
    app();
    PassFixture::SetUp();
    frm = new TfrmMain(std::make_unique<Processor>(program));
    tray = std::make_unique<TForm1>(frm);
    frm->processor().startUp("", nullptr);
  }
  void TearDown() override {
    tray.reset();
    delete frm;
    PassFixture::TearDown();
  }
  TfrmMain* frm = nullptr;
  std::unique_ptr<TForm1> tray;
};

TEST_F(WindowsTest, TrayMenuHasItsItemsInOrder) {
  QStringList texts;
  for (QAction* a : tray->TrayPopup->actions()) texts << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(texts, (QStringList{"&Status...", "-", "Start", "Stop", "-", "Help", "Close"}));
  EXPECT_EQ(tray->EPTrayIcon1->toolTip(), "Karvix Agent Processor Service");
  EXPECT_EQ(tray->windowTitle(), "Karvix Agent Startup");
  EXPECT_EQ(frm->windowTitle(), "Karvix Agent Processor");
}

TEST_F(WindowsTest, TheSwitchUpdatesLabelMenuAndSettings) {
  EXPECT_EQ(frm->lblOnOff->text(), "Agent Processor On");
  EXPECT_TRUE(tray->mnuStart->isChecked());
  tray->mnuStart->trigger();  // "Start" while on switches off
  EXPECT_EQ(frm->lblOnOff->text(), "Agent Processor Off");
  EXPECT_TRUE(tray->mnuStop->isChecked());
  EXPECT_FALSE(tray->mnuStart->isChecked());
  EXPECT_EQ(profile::readString(ini, "AgentSettings", "AutoEnabled", ""), "0");
  QTest::mouseClick(frm->Button1, Qt::LeftButton);
  EXPECT_EQ(frm->lblOnOff->text(), "Agent Processor On");
  EXPECT_EQ(profile::readString(ini, "AgentSettings", "AutoEnabled", ""), "1");
}

TEST_F(WindowsTest, ATickRunsAPassAndTheLogShowsNewestFirst) {
  addAccount("ACME1");
  dropMessage("ACME1", "a.eml", message("Hello"));
  frm->TimerAgentsTimer();
  EXPECT_EQ(frm->lblScanPasses->text(), "1 Total Scan Passes");
  EXPECT_TRUE(frm->TimerAgents->isActive());
  const QString top = frm->REStatus->model()->index(0, 0).data().toString();
  EXPECT_TRUE(top.endsWith("in received items folder")) << top.toStdString();
  EXPECT_EQ(frm->REStatus->model()->rowCount(), int(frm->processor().log().size()));
}

TEST_F(WindowsTest, ClosingTheWindowOnlyHidesIt) {
  tray->O1Click();
  EXPECT_TRUE(frm->isVisible());
  frm->close();
  EXPECT_FALSE(frm->isVisible());
  EXPECT_TRUE(frm->processor().DM.isOpen());
}

TEST_F(WindowsTest, CloseChosenDuringAPassWaitsForItsEnd) {
  addAccount("ACME1");
  dropMessage("ACME1", "a.eml", message("Hello"));
  bool closedInPass = false;
  frm->processor().processEvents = [&] {
    if (frm->processor().inPass() && !frm->processor().closeRequested()) {
      tray->C1Click();
      closedInPass = !frm->processor().DM.isOpen();
    }
  };
  frm->TimerAgentsTimer();
  EXPECT_FALSE(closedInPass);  // the tables stayed open under the pass
  EXPECT_TRUE(fs::exists(filed("ACME1", "a.eml")));
  EXPECT_FALSE(frm->processor().DM.isOpen());  // and closed once it was over
}

}  // namespace
}  // namespace agentrun::testing
