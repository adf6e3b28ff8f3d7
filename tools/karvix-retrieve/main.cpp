// karvix-retrieve: polls the accounts' POP3 mailboxes on their schedules and
// fills their Pending folders for the Agent Processor.
//   karvix-retrieve --once      one pass over the accounts, then end
//   karvix-retrieve             a pass every few seconds until SIGINT/SIGTERM
//   --interval SECONDS          seconds between passes (default 5)
//   --verbose                   the log lines also on standard error
// Folders come from karvix.ini (read once at start, the processor's
// defaults); the log is karvix-retrieve.log in the program folder
// ($KARVIX_PROGRAM_DIR stands in for it). Exit status: 0 when every polled
// account succeeded, 2 when one failed (see the log), 1 when the pass could
// not run (settings or tables).
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "platform/system/folders.h"
#include "store/settings.h"
#include "tools/karvix-retrieve/retrieve_log.h"
#include "tools/karvix-retrieve/retriever.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

int usage() {
  std::cerr << "usage: karvix-retrieve [--once] [--interval SECONDS] [--verbose]\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool once = false;
  bool verbose = false;
  long interval = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--once") {
      once = true;
    } else if (a == "--verbose") {
      verbose = true;
    } else if (a == "--interval" && i + 1 < argc) {
      char* end = nullptr;
      interval = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || interval < 1) return usage();
    } else {
      return usage();
    }
  }
  if (const char* dir = std::getenv("KARVIX_PROGRAM_DIR"); dir && *dir)
    sys::setProgramFolder(sys::withTrailingSeparator(dir));
  retrieve::RetrieveLog log(sys::programFolder() + retrieve::kLogFileName, verbose ? &std::cerr : nullptr);

  try {
    const store::Settings settings = store::readSettings(store::Program::Processor);
    retrieve::Retriever retriever({settings.messagesFolder, settings.databaseFolder}, log);
    log.line(once ? "Started for one pass" : "Started, a pass every " + std::to_string(interval) + " seconds");
    if (once) {
      const retrieve::PassResult r = retriever.runOnce();
      return r.failed > 0 ? 2 : 0;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    while (!stopRequested) {
      try {
        retriever.runOnce();
      } catch (const std::exception& e) {
        log.line(std::string("Error-") + e.what());
      }
      for (long t = 0; t < interval * 10 && !stopRequested; ++t)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    log.line("Stopped");
    return 0;
  } catch (const std::exception& e) {
    try {
      log.line(std::string("Error-") + e.what());
    } catch (const std::exception&) {
    }
    std::cerr << "karvix-retrieve: " << e.what() << "\n";
    return 1;
  }
}
