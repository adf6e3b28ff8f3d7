#include "cfgman/status/status_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTextCursor>

namespace cfgman {
namespace {

// Title bar and borders of the tool window at design time: the outer heights
// 289 and 440 leave client heights of 264 (the log at 268 is out of sight)
// and 415 (the log is in sight). The client area is sized from these so the
// two states look the same whatever frame the window system draws.
constexpr int kDesignFrameHeight = 25;
constexpr int kClientWidth = 516;

}  // namespace

TfrmStatus::TfrmStatus(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName("frmStatus");
  setWindowTitle("karvix System Status");
  QFont f("Arial");
  f.setPointSize(8);
  setFont(f);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1));  // info-tip background
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);

  // Left column.
  caption("Since Activation On:", 8, 8);
  lblActiveOn = value(" /  /  ", 150, 8, 100, true, false);
  auto* ruleLeft = new QFrame(this);
  ruleLeft->setFrameShape(QFrame::HLine);
  ruleLeft->setGeometry(8, 26, 250, 2);
  caption("Number of Processor Scans:", 8, 34);
  lblPScans = value("0", 150, 34, 100, true, false);
  caption("Number of Agent Scans:", 8, 54);
  lblAScans = value("0", 150, 54, 100, true, false);
  caption("Errors since activation:", 8, 74);
  lblNumErrors = value("0", 150, 74, 100, true, false);
  caption("Warnings since activation:", 8, 94);
  lblNumWarings = value("0", 150, 94, 100, true, false);
  caption("Last Error:", 8, 116);
  lblLastError = value("", 8, 130, 250, false, true);
  caption("Last Processor Status:", 8, 162);
  lblLastPMessage = value("", 8, 176, 250, false, true);
  caption("Last Agent Status:", 8, 208);
  lblLastAMessage = value("", 8, 222, 250, false, true);

  // Right column.
  caption("Current Account:", 270, 8);
  lblCurrentNode = value("", 370, 8, 140, true, false);
  auto* ruleRight = new QFrame(this);
  ruleRight->setFrameShape(QFrame::HLine);
  ruleRight->setGeometry(270, 26, 240, 2);
  caption("Current Action:", 270, 34);
  lblCurrentAction = value("", 370, 34, 140, true, false);
  caption("Current Message Progress:", 270, 60);
  progMessage = new QProgressBar(this);
  progMessage->setObjectName("progMessage");
  progMessage->setRange(0, 100);
  progMessage->setValue(0);
  progMessage->setGeometry(270, 76, 240, 16);
  caption("Total account progress:", 270, 100);
  progNode = new QProgressBar(this);
  progNode->setObjectName("progNode");
  progNode->setRange(0, 100);
  progNode->setValue(0);
  progNode->setGeometry(270, 116, 240, 16);

  OfficeButton1 = new QPushButton("Close", this);
  OfficeButton1->setObjectName("OfficeButton1");
  OfficeButton1->setGeometry(300, 220, 100, 26);
  btnDetails = new QPushButton("Details >>", this);
  btnDetails->setObjectName("btnDetails");
  btnDetails->setGeometry(408, 220, 100, 26);
  // Answers Escape; kept outside the visible client area.
  btnCancel = new QPushButton("Close", this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setGeometry(kClientWidth + 40, 8, 75, 25);

  REStatus = new QTextEdit(this);
  REStatus->setObjectName("REStatus");
  REStatus->setAcceptRichText(false);
  REStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  REStatus->setGeometry(16, 268, 477, 133);

  connect(btnDetails, &QPushButton::clicked, this, &TfrmStatus::btnDetailsClick);
  connect(OfficeButton1, &QPushButton::clicked, this, &TfrmStatus::OfficeButton1Click);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmStatus::btnCancelClick);

  applyState();
  if (QScreen* sc = screen()) move(sc->availableGeometry().center() - rect().center());
}

QLabel* TfrmStatus::caption(const QString& text, int x, int y) {
  auto* l = new QLabel(text, this);
  l->setGeometry(x, y, 140, 16);
  return l;
}

QLabel* TfrmStatus::value(const QString& text, int x, int y, int w, bool bold, bool twoLines) {
  auto* l = new QLabel(text, this);
  if (bold) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
  }
  l->setWordWrap(twoLines);
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  l->setGeometry(x, y, w, twoLines ? 30 : 16);
  return l;
}

int TfrmStatus::clientHeightForState() const { return state_.height - kDesignFrameHeight; }

void TfrmStatus::applyState() {
  btnDetails->setText(QString::fromStdString(state_.detailsCaption));
  setFixedSize(kClientWidth, clientHeightForState());
}

void TfrmStatus::prependLine(const QString& text) {
  if (REStatus->document()->isEmpty()) {
    REStatus->setPlainText(text);
    return;
  }
  QTextCursor c(REStatus->document());
  c.movePosition(QTextCursor::Start);
  c.insertText(text + "\n");
}

QStringList TfrmStatus::logLines() const {
  if (REStatus->document()->isEmpty()) return {};
  return REStatus->toPlainText().split('\n');
}

void TfrmStatus::btnDetailsClick() {
  state_.detailsClick();
  applyState();
}

void TfrmStatus::OfficeButton1Click() { hide(); }

void TfrmStatus::btnCancelClick() { hide(); }

void TfrmStatus::FormShow() {
  state_.show();
  applyState();
}

void TfrmStatus::FormClose() {
  state_.close();
  applyState();
}

void TfrmStatus::showEvent(QShowEvent* event) {
  // Only a window that becomes visible runs FormShow; the window system's
  // own show events (restoring from minimised) do not.
  if (!event->spontaneous()) FormShow();
  QWidget::showEvent(event);
}

void TfrmStatus::keyPressEvent(QKeyEvent* event) {
  // Escape presses the cancel button, as in a dialog.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    btnCancel->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TfrmStatus::closeEvent(QCloseEvent* event) {
  FormClose();
  // Hidden, not destroyed: it lives as long as the program.
  event->accept();
}

}  // namespace cfgman
