// TSplashForm: the borderless, always-on-top, centred splash window shown at
// start-up and, as a second instance shown modally, the About box. A click on
// the window or its labels, or Escape, closes it.
#pragma once

#include <QDialog>
#include <QLabel>

namespace cfgman {

class TSplashForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSplashForm(QWidget* parent = nullptr);

  QLabel* lblPicture;
  QLabel* lblVersion;
  QLabel* lblWeb;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace cfgman
