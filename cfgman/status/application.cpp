#include "cfgman/status/application.h"

#include <exception>

namespace cfgman {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Karvix Configuration Manager");
  setApplicationDisplayName("Karvix Mail Management System");
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    if (onException) onException(QString::fromUtf8(e.what()));
  } catch (...) {
    if (onException) onException("Unknown error");
  }
  return false;
}

}  // namespace cfgman
