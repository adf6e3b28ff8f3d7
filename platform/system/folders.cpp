#include "platform/system/folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "platform/system/error.h"

namespace sys {
namespace {

std::mutex& folderMutex() {
  static std::mutex m;
  return m;
}
std::string& programFolderOverride() {
  static std::string folder;
  return folder;
}

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

std::string withTrailingSeparator(const std::string& path) {
  if (path.empty() || path.back() == kPathSeparator) return path;
  return path + kPathSeparator;
}

std::string programFolder() {
  {
    std::lock_guard<std::mutex> lock(folderMutex());
    if (!programFolderOverride().empty()) return programFolderOverride();
  }
  std::string buf(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) throw Error("Unable to find the program's folder");
  buf.resize(static_cast<std::size_t>(n));
  const auto slash = buf.rfind(kPathSeparator);
  return slash == std::string::npos ? std::string("./") : buf.substr(0, slash + 1);
}

void setProgramFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(folderMutex());
  programFolderOverride() = withTrailingSeparator(folder);
}

std::string profileFolder() {
  std::string dir = env("KARVIX_PROFILE_DIR");
  if (dir.empty()) dir = env("XDG_CONFIG_HOME");
  if (dir.empty()) {
    std::string home = env("HOME");
    if (home.empty()) {
      if (const passwd* pw = getpwuid(getuid())) home = pw->pw_dir ? pw->pw_dir : "";
    }
    if (home.empty()) throw Error("Unable to find the profile folder: HOME is not set");
    dir = withTrailingSeparator(home) + ".config";
  }
  return withTrailingSeparator(dir);
}

}  // namespace sys
