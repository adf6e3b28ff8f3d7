// The Configuration Manager: the operator's desktop program.
// KARVIX_CFGMAN_QUIT_AFTER_START=1 closes the main window as soon as the
// event loop runs (after start-up), printing the number of tree nodes; used
// by the program's start-up check.
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <cstdio>
#include <cstdlib>

#include "cfgman/accounts/main_window.h"
#include "cfgman/accounts/splash_form.h"
#include "cfgman/status/application.h"
#include "cfgman/status/status_window.h"

int main(int argc, char** argv) {
  cfgman::Application app(argc, argv);

  auto* splash = new cfgman::TSplashForm;
  splash->setAttribute(Qt::WA_DeleteOnClose);
  splash->show();
  splash->repaint();
  QCoreApplication::processEvents();

  cfgman::TfrmMain frm;
  frm.onFirstShow = [splash] { splash->close(); };
  frm.FormCreate();
  // Created after the main window, hidden until asked for or an error.
  cfgman::TfrmStatus status;
  frm.setStatusWindow(&status);
  frm.show();

  const char* quit = std::getenv("KARVIX_CFGMAN_QUIT_AFTER_START");
  if (quit && *quit && std::string(quit) != "0") {
    QTimer::singleShot(0, &frm, [&frm] {
      int nodes = 0;
      for (QTreeWidgetItemIterator it(frm.treeMain); *it; ++it) ++nodes;
      std::printf("cfgman: started=%d tree nodes=%d\n", frm.started() ? 1 : 0, nodes);
      std::fflush(stdout);
      frm.close();
    });
  }
  return app.exec();
}
