// The Configuration Manager's application object: an error escaping any
// event handler or slot is caught here and handed to onException (the main
// window's AppException), so no error crosses the event loop and the
// operation it broke is simply abandoned.
#pragma once

#include <QApplication>
#include <functional>

namespace cfgman {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  std::function<void(const QString&)> onException;
};

}  // namespace cfgman
