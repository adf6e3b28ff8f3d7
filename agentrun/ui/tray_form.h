// TForm1: the application's main form "Karvix Agent Startup". It is never
// shown; it holds the tray icon with its menu and the about box. Without a
// system tray (a server, the offscreen platform) the program runs all the
// same, only without the icon.
#pragma once

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace agentrun {

class TfrmMain;

class TForm1 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm1(TfrmMain* processorWindow);
  ~TForm1() override;

  QSystemTrayIcon* EPTrayIcon1;
  QMenu* TrayPopup;
  QAction* mnuStatus;
  QAction* mnuStart;
  QAction* mnuStop;
  QAction* mnuAbout;
  QAction* mnuClose;

  void refreshSwitch();  // "Start"/"Stop" checked as the processor's state says

 public Q_SLOTS:
  void O1Click();  // "&Status..."
  void S1Click();  // "Start"
  void S2Click();  // "Stop"
  void A1Click();  // "&About"
  void C1Click();  // "Close"

 private:
  void closeNow();
  TfrmMain* frm_;
};

}  // namespace agentrun
