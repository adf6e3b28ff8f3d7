#include "tools/karvix-retrieve/uidl_memory.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "platform/system/error.h"
#include "platform/system/files.h"
#include "tools/karvix-retrieve/pending_drop.h"

namespace retrieve {

UidlMemory::UidlMemory(std::string path) : path_(std::move(path)) {
  if (!sys::fileExists(path_)) return;
  std::istringstream in(sys::readFile(path_));
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) ids_.insert(line);
}

UidlMemory::~UidlMemory() {
  if (fd_ >= 0) ::close(fd_);
}

void UidlMemory::add(const std::string& uidl) {
  if (uidl.empty() || contains(uidl)) return;
  const std::string line = uidl + "\n";
  if (fd_ < 0) fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd_ < 0) throw sys::Error("Unable to write file " + path_ + ": " + std::strerror(errno));
  if (::write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
    throw sys::Error("Unable to write file " + path_ + ": " + std::strerror(errno));
  ids_.insert(uidl);
}

void UidlMemory::flush() {
  if (fd_ >= 0 && ::fdatasync(fd_) != 0)
    throw sys::Error("Unable to write file " + path_ + ": " + std::strerror(errno));
}

void UidlMemory::keepOnly(const std::set<std::string>& onServer) {
  std::set<std::string> kept;
  for (const auto& id : ids_)
    if (onServer.count(id)) kept.insert(id);
  if (kept.size() == ids_.size()) return;
  std::string content;
  for (const auto& id : kept) content += id + "\n";
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  writeDurably(path_, content);
  ids_ = std::move(kept);
}

}  // namespace retrieve
