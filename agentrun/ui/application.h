// The Agent Processor's application object: an error escaping any event
// handler or slot is caught here and handed to the installed handler
// (the processor's AppException), so no error crosses the event loop.
#pragma once

#include <QApplication>
#include <functional>
#include <string>

namespace agentrun {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  std::function<void(const std::string&)> onException;
};

}  // namespace agentrun
