// Adding one line to the processor's log as the user sees it: the log, the
// processor window's list model and the list view showing it (offscreen
// platform), with 1,000 lines already logged and with 1,000,000. A line costs
// the same whatever the length of the log when the two figures agree.
//
// Each insertion is timed through the processor's log call (status bar text,
// the line on top of the log, the view told of one new row, pending window
// events run: relayout and repaint), and once more as a bare insertion on the
// log followed by the window's events, and with the window hidden (the log
// and the model alone, no view to lay out).
//
//   bench_agentrun_log [seconds per figure]     (default 1)
#include <QApplication>
#include <QListView>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "agentrun/processor.h"
#include "agentrun/ui/processor_window.h"
#include "bench/agentrun/bench_support.h"

namespace {

struct Figure {
  double sendtoLog = 0;  // seconds per line
  double insertTop = 0;
  double hidden = 0;  // log and model alone: the window hidden
  long lines = 0;
};

// Runs `one` at least 50 and at most 500 times, stopping once `budget`
// seconds have passed; seconds per call. The cap keeps the smaller log near
// its size while it is measured.
template <class F>
double perCall(double budget, F one) {
  for (int i = 0; i < 20; ++i) one();  // warm-up
  kxbench::Stopwatch w;
  long n = 0;
  while (n < 50 || (n < 500 && w.seconds() < budget)) {
    one();
    ++n;
  }
  return w.seconds() / double(n);
}

Figure measure(long lines, double budget, const std::string& folder) {
  // A log file of earlier runs with `lines` lines, loaded as at start-up.
  const std::string logFile = folder + "old-" + std::to_string(lines) + ".log";
  {
    std::string text;
    text.reserve(size_t(lines) * 80);
    for (long i = 0; i < lines; ++i)
      text += "3/" + std::to_string(1 + i % 28) + "/2026 10:20:30 AM --  Successfully copied message msg" +
              std::to_string(i) + ".eml\n";
    kxbench::writeWhole(logFile, text);
  }
  auto* frm = new agentrun::TfrmMain(std::make_unique<agentrun::Processor>(folder));
  agentrun::Processor& p = frm->processor();
  if (!p.log().load(logFile)) throw std::runtime_error("cannot load " + logFile);
  frm->show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  if (frm->REStatus->model()->rowCount() != int(lines)) throw std::runtime_error("the view does not show the log");

  Figure f;
  long n = 0;
  f.sendtoLog = perCall(budget, [&] { p.SendtoLog("Processing message msg" + std::to_string(n++) + ".eml", 0); });
  f.insertTop = perCall(budget, [&] {
    p.log().insertTop("3/1/2026 10:20:30 AM -- Processing message msg" + std::to_string(n++) + ".eml");
    QApplication::processEvents();
  });
  frm->hide();
  QApplication::processEvents();
  f.hidden = perCall(budget, [&] {
    p.log().insertTop("3/1/2026 10:20:30 AM -- Processing message msg" + std::to_string(n++) + ".eml");
    QApplication::processEvents();
  });
  f.lines = long(p.log().size());
  if (frm->REStatus->model()->rowCount() != int(f.lines)) throw std::runtime_error("the view lost rows");
  if (frm->REStatus->model()->index(0, 0).data().toString().toStdString().find(
          "msg" + std::to_string(n - 1) + ".eml") == std::string::npos)
    throw std::runtime_error("the newest line is not on top");
  delete frm;
  std::remove(logFile.c_str());
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const double budget = argc > 1 ? std::max(0.1, std::atof(argv[1])) : 1.0;
  try {
    kxbench::Store s("log", false);
    const Figure small = measure(1000, budget, s.program);
    const Figure big = measure(1000000, budget, s.program);
    std::printf("One log line with the processor window showing the log (offscreen)\n");
    std::printf("  %-28s %18s %18s %8s\n", "", "1,000 lines", "1,000,000 lines", "ratio");
    std::printf("  %-28s %15.1f us %15.1f us %8.2f\n", "SendtoLog (status, line, events)", small.sendtoLog * 1e6,
                big.sendtoLog * 1e6, big.sendtoLog / small.sendtoLog);
    std::printf("  %-28s %15.1f us %15.1f us %8.2f\n", "insertTop + window events", small.insertTop * 1e6,
                big.insertTop * 1e6, big.insertTop / small.insertTop);
    std::printf("  %-28s %15.1f us %15.1f us %8.2f\n", "same, window hidden", small.hidden * 1e6,
                big.hidden * 1e6, big.hidden / small.hidden);
    const double worst = std::max(big.sendtoLog / small.sendtoLog, big.insertTop / small.insertTop);
    std::printf("  constant time (ratio at most 1.20): %s\n", worst <= 1.2 ? "met" : "MISSED");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_agentrun_log: %s\n", e.what());
    return 1;
  }
}
