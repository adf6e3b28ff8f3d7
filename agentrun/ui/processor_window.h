// TfrmMain: the processor window "Karvix Agent Processor". Hidden until shown
// through the tray's "&Status..." or by single-pass mode; closing it only
// hides it. It owns the Processor and its one-second timer.
#pragma once

#include <QAbstractListModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "agentrun/processor.h"
#include "agentrun/ui/log_view.h"

namespace agentrun {

// The log lines as a list model: inserting a line at the top is one row
// insertion; the LogView above it never lays out the whole log.
class LogModel : public QAbstractListModel {
 public:
  explicit LogModel(ProcessorLog& log, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  void lineInserted();
  void reset();

 private:
  ProcessorLog& log_;
  int rows_ = 0;
};

class TfrmMain : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmMain(std::unique_ptr<Processor> processor, QWidget* parent = nullptr);
  ~TfrmMain() override;

  Processor& processor() { return *processor_; }
  void refreshState();

  LogView* REStatus;
  QPushButton* Button1;
  QLabel* lblScanPasses;
  QLabel* lblOnOff;
  QLabel* lblDatabases;
  QLabel* lblagentsPath;
  QLabel* lblmessagespath;
  QStatusBar* StatusBar;
  QListWidget* lstTriggeredArray;
  QTimer* TimerAgents;

  std::function<void()> onCloseRequested;  // the program is to end after the pass

 public Q_SLOTS:
  void Button1Click();
  void TimerAgentsTimer();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::unique_ptr<Processor> processor_;
  LogModel* logModel_;
};

}  // namespace agentrun
