#include "cfgman/status/status_feed.h"

#include "cfgman/status/operator_dialogs.h"
#include "cfgman/status/status_window.h"
#include "platform/system/format_datetime.h"
#include "platform/system/hooks.h"

namespace cfgman {
namespace {

QString nowText() { return QString::fromStdString(sys::nowText()); }

}  // namespace

void StatusFeed::SendtoLog(const QString& text, int /*level*/) {
  if (onStatusText) onStatusText(text);
  if (!status_) return;
  const QString now = nowText();
  status_->prependLine(now + " -- " + text);
  status_->lblLastPMessage->setText(now + " " + text);
}

void StatusFeed::AppException(const QString& message) {
  ++errorCount_;
  if (!status_) {
    dialogs().showMessage(message);
    return;
  }
  status_->lblNumErrors->setText(QString::number(errorCount_));
  status_->lblLastError->setText(message);
  sys::beep();
  status_->prependLine(nowText() + " -- Error-" + message);
  status_->setTag(kStatusDetailsFlag);
  status_->show();
  status_->raise();
  status_->activateWindow();
}

}  // namespace cfgman
