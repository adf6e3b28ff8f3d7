#include "platform/system/hooks.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "platform/system/error.h"

extern char** environ;

namespace sys {
namespace {

BeepHook& beepHook() {
  static BeepHook h;
  return h;
}
StartDetachedHook& startHook() {
  static StartDetachedHook h;
  return h;
}
OpenUrlHook& urlHook() {
  static OpenUrlHook h;
  return h;
}
PlaySoundHook& soundHook() {
  static PlaySoundHook h;
  return h;
}

template <class F>
F swapHook(F& slot, F hook) {
  F previous = std::move(slot);
  slot = std::move(hook);
  return previous;
}

}  // namespace

void defaultStartDetached(const std::string& program, const std::vector<std::string>& args) {
  if (program.empty()) throw Error("Unable to start program '': no program given");
  std::vector<std::string> storage;
  storage.reserve(args.size() + 1);
  storage.push_back(program);
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_init(&attr);
  // A session of its own: the program outlives us and our terminal.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) throw Error("Unable to start program '" + program + "': " + std::strerror(rc));
  // Nobody waits for the program; a small thread collects its exit status so
  // it leaves no zombie behind.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

void defaultOpenUrl(const std::string& url) { defaultStartDetached("xdg-open", {url}); }

void beep() {
  if (beepHook()) beepHook()();
}

void startDetached(const std::string& program, const std::vector<std::string>& args) {
  if (startHook()) startHook()(program, args);
  else defaultStartDetached(program, args);
}

void openUrl(const std::string& url) {
  if (urlHook()) urlHook()(url);
  else defaultOpenUrl(url);
}

void playSound(const std::string& path) {
  if (soundHook()) soundHook()(path);
}

BeepHook setBeepHook(BeepHook hook) { return swapHook(beepHook(), std::move(hook)); }
StartDetachedHook setStartDetachedHook(StartDetachedHook hook) {
  return swapHook(startHook(), std::move(hook));
}
OpenUrlHook setOpenUrlHook(OpenUrlHook hook) { return swapHook(urlHook(), std::move(hook)); }
PlaySoundHook setPlaySoundHook(PlaySoundHook hook) { return swapHook(soundHook(), std::move(hook)); }

}  // namespace sys
