// Asynchronous playback of ".wav" files through Qt Multimedia for the
// "PLAY SOUND" action. play() returns at once; a file that cannot be found
// plays the system's default sound (the beep) instead. Each sound keeps
// playing while later ones start.
#pragma once

#include <QObject>
#include <string>

namespace agentrun {

class SoundPlayer : public QObject {
  Q_OBJECT
 public:
  explicit SoundPlayer(QObject* parent = nullptr);
  void play(const std::string& path);
  // Installs this player as the program's sound hook.
  void install();
};

}  // namespace agentrun
