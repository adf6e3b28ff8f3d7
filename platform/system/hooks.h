// The system's side effects that tests must observe without making them:
// the beep, starting a program without waiting, opening a web page and
// playing a sound file. Each goes through a replaceable hook.
// Defaults: beep and playSound do nothing here (the Qt programs install their
// own at start); startDetached runs the program (searched on PATH when it has
// no "/") in a session of its own with the given arguments, no shell, and
// does not wait for it; openUrl starts "xdg-open" with the address.
// startDetached throws sys::Error when the program cannot be started.
// Tests replace the hooks with sys::HookRecorder (hook_recorder.h).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sys {

void beep();
void startDetached(const std::string& program, const std::vector<std::string>& args);
void openUrl(const std::string& url);
// Asynchronous playback; returns at once.
void playSound(const std::string& path);

using BeepHook = std::function<void()>;
using StartDetachedHook = std::function<void(const std::string&, const std::vector<std::string>&)>;
using OpenUrlHook = std::function<void(const std::string&)>;
using PlaySoundHook = std::function<void(const std::string&)>;

// Each setter installs a hook (an empty function restores the default) and
// returns the hook that was installed before.
BeepHook setBeepHook(BeepHook hook);
StartDetachedHook setStartDetachedHook(StartDetachedHook hook);
OpenUrlHook setOpenUrlHook(OpenUrlHook hook);
PlaySoundHook setPlaySoundHook(PlaySoundHook hook);

// The default behaviours, callable directly.
void defaultStartDetached(const std::string& program, const std::vector<std::string>& args);
void defaultOpenUrl(const std::string& url);

}  // namespace sys
