// For tests: while a HookRecorder lives, the beep, program starts, web pages
// and sounds are not made but recorded, in order, as lines:
//   "beep"
//   "start <program> <arg1> <arg2> ..."   (program and arguments also kept apart)
//   "url <address>"
//   "sound <path>"
// failStartWith makes the next starts throw sys::Error with that text.
#pragma once

#include <string>
#include <vector>

#include "platform/system/error.h"
#include "platform/system/hooks.h"

namespace sys {

class HookRecorder {
 public:
  struct Start {
    std::string program;
    std::vector<std::string> args;
  };

  HookRecorder() {
    prevBeep_ = setBeepHook([this] { events.push_back("beep"); });
    prevStart_ = setStartDetachedHook([this](const std::string& p, const std::vector<std::string>& a) {
      if (!failStartWith.empty()) throw Error(failStartWith);
      std::string line = "start " + p;
      for (const auto& x : a) line += " " + x;
      events.push_back(line);
      starts.push_back({p, a});
    });
    prevUrl_ = setOpenUrlHook([this](const std::string& u) { events.push_back("url " + u); });
    prevSound_ = setPlaySoundHook([this](const std::string& s) { events.push_back("sound " + s); });
  }
  ~HookRecorder() {
    setBeepHook(prevBeep_);
    setStartDetachedHook(prevStart_);
    setOpenUrlHook(prevUrl_);
    setPlaySoundHook(prevSound_);
  }
  HookRecorder(const HookRecorder&) = delete;
  HookRecorder& operator=(const HookRecorder&) = delete;

  std::vector<std::string> events;
  std::vector<Start> starts;
  std::string failStartWith;

 private:
  BeepHook prevBeep_;
  StartDetachedHook prevStart_;
  OpenUrlHook prevUrl_;
  PlaySoundHook prevSound_;
};

}  // namespace sys
