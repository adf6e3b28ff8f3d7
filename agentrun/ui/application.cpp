#include "agentrun/ui/application.h"

#include <exception>

namespace agentrun {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Karvix Agent Processor Service");
  setApplicationDisplayName("Karvix Agent Processor Service");
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    if (onException) onException(e.what());
  } catch (...) {
    if (onException) onException("Unknown error");
  }
  return false;
}

}  // namespace agentrun
