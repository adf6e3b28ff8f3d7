// The Configuration Manager's log operation and application-wide error
// handler, as the main window runs them. SendtoLog sets the status-bar text
// (through onStatusText) and puts "<now> -- <text>" on top of the status
// window's log and "<now> <text>" under "Last Processor Status:" without
// showing the window. AppException counts the error; before the status
// window exists it only shows the message in a plain message box; otherwise
// it updates the error labels, beeps, logs "<now> -- Error-<message>" and
// shows the window expanded (or, when it is already visible, only raises it
// and marks it to open expanded next time).
#pragma once

#include <QString>
#include <functional>
#include <string>

namespace cfgman {

class TfrmStatus;

class StatusFeed {
 public:
  // The status window; nullptr until it is created. Not owned.
  void setStatusWindow(TfrmStatus* w) { status_ = w; }
  TfrmStatus* statusWindow() const { return status_; }

  // The level is accepted and not used.
  void SendtoLog(const QString& text, int level = 0);
  void AppException(const QString& message);

  int errorCount() const { return errorCount_; }

  std::function<void(const QString&)> onStatusText;

 private:
  TfrmStatus* status_ = nullptr;
  int errorCount_ = 0;
};

}  // namespace cfgman
