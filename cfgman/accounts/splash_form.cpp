#include "cfgman/accounts/splash_form.h"

#include <QEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace cfgman {

TSplashForm::TSplashForm(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("SplashForm");
  auto* layout = new QVBoxLayout(this);
  lblPicture = new QLabel("Karvix", this);
  QFont big = lblPicture->font();
  big.setPointSize(24);
  big.setBold(true);
  lblPicture->setFont(big);
  lblPicture->setAlignment(Qt::AlignCenter);
  lblPicture->setMinimumSize(320, 120);
  lblVersion = new QLabel("Version 1.061598", this);
  lblWeb = new QLabel("www.example.com", this);
  for (QLabel* l : {lblPicture, lblVersion, lblWeb}) {
    l->setAlignment(Qt::AlignCenter);
    l->installEventFilter(this);
    layout->addWidget(l);
  }
  adjustSize();
  if (QScreen* sc = screen()) move(sc->availableGeometry().center() - rect().center());
}

void TSplashForm::mousePressEvent(QMouseEvent* event) {
  close();
  event->accept();
}

bool TSplashForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    close();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace cfgman
