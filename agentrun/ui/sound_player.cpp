#include "agentrun/ui/sound_player.h"

#include <QApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

#include "platform/system/hooks.h"

namespace agentrun {

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {}

void SoundPlayer::play(const std::string& path) {
  const QString file = QString::fromStdString(path);
  if (!QFileInfo(file).isFile()) {
    QApplication::beep();
    return;
  }
  auto* effect = new QSoundEffect(this);
  connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
    if (!effect->isPlaying()) effect->deleteLater();
  });
  connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
    if (effect->status() == QSoundEffect::Error) {
      QApplication::beep();
      effect->deleteLater();
    } else if (effect->status() == QSoundEffect::Ready) {
      effect->play();
    }
  });
  effect->setSource(QUrl::fromLocalFile(file));
}

void SoundPlayer::install() {
  sys::setPlaySoundHook([this](const std::string& path) { play(path); });
}

}  // namespace agentrun
