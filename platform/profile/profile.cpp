#include "platform/profile/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/system/error.h"
#include "platform/system/files.h"
#include "platform/system/folders.h"

namespace profile {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, int err) {
  throw sys::Error(what + " '" + path + "': " + std::strerror(err));
}

bool isBareName(const std::string& file) { return file.find('/') == std::string::npos; }

std::string readAll(int fd, const std::string& path) {
  std::string content;
  char buf[16384];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("Unable to read file", path, errno);
    }
    if (n == 0) return content;
    content.append(buf, static_cast<std::size_t>(n));
  }
}

// An open descriptor of the file that holds the exclusive write lock. The
// lock lives on the file itself; a writer that got the lock on a file that
// another writer has meanwhile replaced by rename starts again on the new one.
class WriteLock {
 public:
  explicit WriteLock(const std::string& path) : path_(path) {
    for (;;) {
      fd_ = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
      if (fd_ < 0) fail("Unable to write file", path, errno);
      int rc;
      while ((rc = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
      }
      if (rc != 0) {
        const int err = errno;
        ::close(fd_);
        fail("Unable to lock file", path, err);
      }
      struct stat held{}, named{};
      if (::fstat(fd_, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
          held.st_dev == named.st_dev)
        return;
      ::close(fd_);
    }
  }
  ~WriteLock() { ::close(fd_); }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;
  int fd() const { return fd_; }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace

std::string resolvePath(const std::string& file) {
  if (file.empty()) throw sys::Error("No profile file name given");
  return isBareName(file) ? sys::profileFolder() + file : file;
}

Document load(const std::string& file) {
  const std::string path = resolvePath(file);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return Document();
    fail("Unable to read file", path, errno);
  }
  std::string content;
  try {
    content = readAll(fd, path);
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
  return Document::parse(content);
}

std::string readString(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view fallback) {
  return load(file).readString(section, key, fallback);
}

int readInteger(const std::string& file, std::string_view section, std::string_view key, int fallback) {
  return load(file).readInteger(section, key, fallback);
}

bool readBool(const std::string& file, std::string_view section, std::string_view key, bool fallback) {
  return load(file).readBool(section, key, fallback);
}

namespace {

// A settings file that is a symbolic link (to a file shared by both programs)
// is written where the link points, so the link stays.
std::string linkTarget(const std::string& path) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) fail("Unable to write file", path, errno);
  std::string target(real);
  std::free(real);
  return target;
}

}  // namespace

void update(const std::string& file, const std::function<void(Document&)>& edit) {
  const std::string path = linkTarget(resolvePath(file));
  if (isBareName(file) && !sys::directoryExists(sys::profileFolder())) sys::forceDirectories(sys::profileFolder());
  WriteLock lock(path);
  const std::string before = readAll(lock.fd(), path);
  Document doc = Document::parse(before);
  edit(doc);
  const std::string after = doc.text();
  if (after != before) sys::writeFileAtomic(path, after);
}

void writeString(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value) {
  update(file, [&](Document& d) { d.writeString(section, key, value); });
}

void writeInteger(const std::string& file, std::string_view section, std::string_view key, int value) {
  update(file, [&](Document& d) { d.writeInteger(section, key, value); });
}

void writeBool(const std::string& file, std::string_view section, std::string_view key, bool value) {
  update(file, [&](Document& d) { d.writeBool(section, key, value); });
}

void eraseKey(const std::string& file, std::string_view section, std::string_view key) {
  update(file, [&](Document& d) { d.eraseKey(section, key); });
}

}  // namespace profile
