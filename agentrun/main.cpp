// The Agent Processor: tray program that runs the agents over pending mail.
#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return 0;
}
