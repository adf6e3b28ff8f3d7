#include "agentrun/ui/processor_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace agentrun {

LogModel::LogModel(ProcessorLog& log, QObject* parent) : QAbstractListModel(parent), log_(log) {
  rows_ = int(log_.size());
}

int LogModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

QVariant LogModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || size_t(index.row()) >= log_.size()) return {};
  return QString::fromStdString(log_.line(size_t(index.row())));
}

void LogModel::lineInserted() {
  beginInsertRows(QModelIndex(), 0, 0);
  rows_ = int(log_.size());
  endInsertRows();
}

void LogModel::reset() {
  beginResetModel();
  rows_ = int(log_.size());
  endResetModel();
}

TfrmMain::TfrmMain(std::unique_ptr<Processor> processor, QWidget* parent)
    : QWidget(parent), processor_(std::move(processor)) {
  setWindowTitle("Karvix Agent Processor");
  resize(640, 420);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  lblOnOff = new QLabel(this);
  QFont bold = lblOnOff->font();
  bold.setBold(true);
  lblOnOff->setFont(bold);
  lblDatabases = new QLabel(this);
  lblagentsPath = new QLabel(this);
  lblmessagespath = new QLabel(this);
  for (auto* hidden : {lblDatabases, lblagentsPath, lblmessagespath}) hidden->setVisible(false);
  top->addWidget(lblOnOff);
  top->addStretch();
  layout->addLayout(top);

  REStatus = new LogView(this);
  REStatus->setFont(QFont("Monospace"));
  logModel_ = new LogModel(processor_->log(), this);
  REStatus->setModel(logModel_);
  REStatus->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  REStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(REStatus, 1);

  auto* bottom = new QHBoxLayout;
  Button1 = new QPushButton("On/Off", this);
  lblScanPasses = new QLabel(this);
  bottom->addWidget(Button1);
  bottom->addWidget(lblScanPasses, 1);
  layout->addLayout(bottom);

  StatusBar = new QStatusBar(this);
  StatusBar->setVisible(false);
  lstTriggeredArray = new QListWidget(this);
  lstTriggeredArray->setVisible(false);

  TimerAgents = new QTimer(this);
  TimerAgents->setInterval(1000);

  processor_->log().onInsertTop = [this] { logModel_->lineInserted(); };
  processor_->log().onReset = [this] { logModel_->reset(); };
  processor_->processEvents = [] { QApplication::processEvents(); };
  processor_->statusText = [this](const std::string& text) {
    StatusBar->showMessage(QString::fromStdString(text));
  };
  processor_->stateChanged = [this] { refreshState(); };

  connect(Button1, &QPushButton::clicked, this, &TfrmMain::Button1Click);
  connect(TimerAgents, &QTimer::timeout, this, &TfrmMain::TimerAgentsTimer);
  TimerAgents->start();
  refreshState();
}

TfrmMain::~TfrmMain() {
  processor_->log().onInsertTop = nullptr;
  processor_->log().onReset = nullptr;
  processor_->processEvents = nullptr;
  processor_->statusText = nullptr;
  processor_->stateChanged = nullptr;
}

void TfrmMain::refreshState() {
  lblOnOff->setText(QString::fromStdString(processor_->onOffText()));
  if (processor_->scanPasses() > 0)
    lblScanPasses->setText(QString::fromStdString(processor_->scanPassesText()));
  lblDatabases->setText(QString::fromStdString(processor_->databaseFolder()));
  lblagentsPath->setText(QString::fromStdString(processor_->agentsFolder()));
  lblmessagespath->setText(QString::fromStdString(processor_->messagesFolder()));
  lstTriggeredArray->clear();
  for (const auto& v : processor_->lstTriggeredArray) lstTriggeredArray->addItem(QString::fromStdString(v));
}

void TfrmMain::Button1Click() { processor_->Button1Click(); }

void TfrmMain::TimerAgentsTimer() {
  if (processor_->inPass()) return;
  TimerAgents->stop();
  processor_->TimerAgentsTimer();
  TimerAgents->start();
  if (processor_->closeRequested() && onCloseRequested) onCloseRequested();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
}

}  // namespace agentrun
