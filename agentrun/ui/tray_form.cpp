#include "agentrun/ui/tray_form.h"

#include <QApplication>
#include <QMessageBox>

#include "agentrun/ui/processor_window.h"

namespace agentrun {

TForm1::TForm1(TfrmMain* processorWindow) : frm_(processorWindow) {
  setWindowTitle("Karvix Agent Startup");

  TrayPopup = new QMenu(this);
  mnuStatus = TrayPopup->addAction("&Status...", this, &TForm1::O1Click);
  TrayPopup->addSeparator();
  mnuStart = TrayPopup->addAction("Start", this, &TForm1::S1Click);
  mnuStop = TrayPopup->addAction("Stop", this, &TForm1::S2Click);
  mnuStart->setCheckable(true);
  mnuStop->setCheckable(true);
  TrayPopup->addSeparator();
  QMenu* help = TrayPopup->addMenu("Help");
  mnuAbout = help->addAction("&About", this, &TForm1::A1Click);
  mnuClose = TrayPopup->addAction("Close", this, &TForm1::C1Click);

  EPTrayIcon1 = new QSystemTrayIcon(this);
  EPTrayIcon1->setToolTip("Karvix Agent Processor Service");
  EPTrayIcon1->setIcon(QApplication::style()->standardIcon(QStyle::SP_DriveNetIcon));
  EPTrayIcon1->setContextMenu(TrayPopup);
  connect(EPTrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r == QSystemTrayIcon::DoubleClick) O1Click();
  });
  if (QSystemTrayIcon::isSystemTrayAvailable()) EPTrayIcon1->show();

  auto previous = frm_->processor().stateChanged;
  frm_->processor().stateChanged = [this, previous] {
    if (previous) previous();
    refreshSwitch();
  };
  frm_->onCloseRequested = [this] { closeNow(); };
  refreshSwitch();
}

TForm1::~TForm1() = default;

void TForm1::refreshSwitch() {
  const bool on = frm_->processor().running();
  mnuStart->setChecked(on);
  mnuStop->setChecked(!on);
}

void TForm1::O1Click() {
  frm_->show();
  frm_->raise();
  frm_->activateWindow();
}

// Both items switch to the other state, whichever is chosen.
void TForm1::S1Click() { frm_->Button1Click(); }
void TForm1::S2Click() { frm_->Button1Click(); }

void TForm1::A1Click() {
  QMessageBox::about(nullptr, "About Karvix Agent Processor",
                     "Karvix Agent Processor\n\n"
                     "This module handles the agent processing of mail after it has been "
                     "received. It must run together with the mail retriever service, which "
                     "places retrieved messages in the accounts' Pending folders.");
}

void TForm1::C1Click() {
  // Chosen while a pass runs (the pass lets events run): the tables must not
  // be closed under it, so the program ends once the pass is over.
  if (frm_->processor().inPass()) {
    frm_->processor().requestClose();
    return;
  }
  closeNow();
}

void TForm1::closeNow() {
  frm_->TimerAgents->stop();
  frm_->processor().shutDown();
  EPTrayIcon1->hide();
  QApplication::quit();
}

}  // namespace agentrun
