// TfrmStatus, "karvix System Status": the Configuration Manager's activity
// log and error monitor. A tool window that stays on top; created hidden at
// start-up and only hidden and shown afterwards. It displays what the main
// window's log and error handler hand it (prependLine, the labels) and never
// reads or writes tables or files. Collapsed and expanded states follow
// StatusState; the client area is laid out at the fixed design pixels, with
// the log REStatus below the visible area while collapsed.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QWidget>

#include "cfgman/status/status_state.h"

namespace cfgman {

class TfrmStatus : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmStatus(QWidget* parent = nullptr);

  // Inserts text as the first line of the log.
  void prependLine(const QString& text);
  // The log's lines, newest first.
  QStringList logLines() const;

  const StatusState& state() const { return state_; }
  // The window's Tag: the details flag.
  int tag() const { return state_.tag; }
  void setTag(int tag) { state_.tag = tag; }
  // The client height that goes with the current outer height.
  int clientHeightForState() const;

  // Value labels.
  QLabel* lblActiveOn;
  QLabel* lblPScans;
  QLabel* lblAScans;
  QLabel* lblNumErrors;
  QLabel* lblNumWarings;
  QLabel* lblLastError;
  QLabel* lblLastPMessage;
  QLabel* lblLastAMessage;
  QLabel* lblCurrentNode;
  QLabel* lblCurrentAction;
  QProgressBar* progMessage;
  QProgressBar* progNode;
  QPushButton* btnDetails;
  QPushButton* OfficeButton1;
  QPushButton* btnCancel;
  QTextEdit* REStatus;

 public Q_SLOTS:
  void btnDetailsClick();
  void OfficeButton1Click();
  void btnCancelClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();
  void FormClose();
  void applyState();
  QLabel* caption(const QString& text, int x, int y);
  QLabel* value(const QString& text, int x, int y, int w, bool bold, bool twoLines);

  StatusState state_;
};

}  // namespace cfgman
