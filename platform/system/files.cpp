#include "platform/system/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/system/error.h"

namespace sys {
namespace {

std::string reason(int err) { return std::strerror(err); }

[[noreturn]] void fail(const std::string& what, const std::string& path, int err) {
  throw Error(what + " '" + path + "': " + reason(err));
}

char fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool matchFrom(const std::string& n, std::size_t i, const std::string& p, std::size_t j) {
  // Iterative wildcard match with one backtracking point for the last "*".
  std::size_t starP = std::string::npos, starN = 0;
  while (i < n.size()) {
    if (j < p.size() && (p[j] == '?' || fold(p[j]) == fold(n[i]))) {
      ++i;
      ++j;
    } else if (j < p.size() && p[j] == '*') {
      starP = j++;
      starN = i;
    } else if (starP != std::string::npos) {
      j = starP + 1;
      i = ++starN;
    } else {
      return false;
    }
  }
  while (j < p.size() && p[j] == '*') ++j;
  return j == p.size();
}

// Writes content to a new temporary file in the folder of path; returns its name.
std::string writeTemp(const std::string& path, const char* data, std::size_t size, mode_t mode) {
  std::string tmpl = path + ".tmpXXXXXX";
  const int fd = mkstemp(tmpl.data());
  if (fd < 0) fail("Unable to write file", path, errno);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t w = ::write(fd, data + done, size - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      ::unlink(tmpl.c_str());
      fail("Unable to write file", path, err);
    }
    done += static_cast<std::size_t>(w);
  }
  if (::fchmod(fd, mode) != 0 || ::fdatasync(fd) != 0 || ::close(fd) != 0) {
    const int err = errno;
    ::unlink(tmpl.c_str());
    fail("Unable to write file", path, err);
  }
  return tmpl;
}

mode_t defaultFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

void replaceWith(const std::string& tmp, const std::string& path) {
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    fail("Unable to write file", path, err);
  }
}

}  // namespace

bool matchesWildcard(const std::string& name, const std::string& pattern) {
  return matchFrom(name, 0, pattern, 0);
}

std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  const std::string dirPath = folder.empty() ? std::string(".") : folder;
  DIR* dir = ::opendir(dirPath.c_str());
  if (!dir) {
    if (errno == ENOENT || errno == ENOTDIR) return names;
    fail("Unable to list folder", folder, errno);
  }
  const std::string base = (folder.empty() || folder.back() == '/') ? folder : folder + "/";
  errno = 0;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (!matchesWildcard(name, pattern)) continue;
    bool isFile = e->d_type == DT_REG;
    if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
      struct stat st{};
      isFile = ::stat((base + name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
    if (isFile) names.push_back(name);
    errno = 0;
  }
  const int err = errno;
  ::closedir(dir);
  if (err != 0) fail("Unable to list folder", folder, err);
  return names;
}

bool fileExists(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool directoryExists(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void forceDirectories(const std::string& path) {
  static const char* const kMessage = "Unable to create directory";
  if (path.empty()) throw Error(kMessage);
  std::string dir = path;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (directoryExists(dir)) return;
  // Each missing parent, from the top down.
  for (std::size_t i = 1; i <= dir.size(); ++i) {
    if (i != dir.size() && dir[i] != '/') continue;
    const std::string part = dir.substr(0, i);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) throw Error(kMessage);
    if (!directoryExists(part)) throw Error(kMessage);
  }
}

std::string readFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail("Unable to read file", path, errno);
  std::string content;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      fail("Unable to read file", path, err);
    }
    if (n == 0) break;
    content.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return content;
}

void writeFileAtomic(const std::string& path, const std::string& content) {
  struct stat st{};
  const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : defaultFileMode();
  replaceWith(writeTemp(path, content.data(), content.size(), mode), path);
}

void copyFile(const std::string& from, const std::string& to) {
  struct stat st{};
  if (::stat(from.c_str(), &st) != 0) fail("Unable to copy file", from, errno);
  if (!S_ISREG(st.st_mode)) fail("Unable to copy file", from, EISDIR);
  const std::string content = readFile(from);
  replaceWith(writeTemp(to, content.data(), content.size(), st.st_mode & 07777), to);
}

void moveFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return;
  if (errno != EXDEV) fail("Unable to move file", from, errno);
  copyFile(from, to);
  deleteFile(from);
}

void deleteFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) fail("Unable to delete file", path, errno);
}

}  // namespace sys
