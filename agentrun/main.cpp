// The Agent Processor: a tray program that runs the agents attached to each
// account over the messages waiting in its Pending folder and files them.
//   agentrun              runs in the tray, scanning while switched on
//   agentrun /SINGLEPASS  runs one scan pass and ends
//   agentrun /D           also writes debug lines to the log
#include <QStyle>
#include <cstdlib>

#include "agentrun/ui/application.h"
#include "agentrun/ui/processor_window.h"
#include "agentrun/ui/sound_player.h"
#include "agentrun/ui/tray_form.h"
#include "platform/system/hooks.h"
#include "platform/system/folders.h"

int main(int argc, char** argv) {
  agentrun::Application app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  sys::setBeepHook([] { QApplication::beep(); });
  agentrun::SoundPlayer sounds;
  sounds.install();
  // KARVIX_PROGRAM_DIR stands in for the program's folder (log file and temp
  // folder), so a build tree or a test can keep them elsewhere.
  if (const char* dir = std::getenv("KARVIX_PROGRAM_DIR"); dir && *dir)
    sys::setProgramFolder(sys::withTrailingSeparator(dir));

  auto* frm = new agentrun::TfrmMain(std::make_unique<agentrun::Processor>(sys::programFolder()));
  agentrun::TForm1 tray(frm);
  agentrun::Processor& processor = frm->processor();
  app.onException = [&processor](const std::string& message) { processor.AppException(message); };

  const std::string first = argc > 1 ? argv[1] : "";
  const bool singlePass = agentrun::Processor::selectsSinglePass(first);
  if (singlePass) frm->TimerAgents->stop();  // the pass at start-up is never entered twice
  const bool started = processor.startUp(first, [&] {
    frm->show();
    processor.runSinglePass();
  });

  int rc = 0;
  if (singlePass || processor.closeRequested()) {
    // Single pass (or a start-up that asked to end): close once start-up is over.
    processor.shutDown();
    rc = started ? 0 : 1;
  } else {
    rc = app.exec();
    processor.shutDown();
  }
  delete frm;
  return rc;
}
