// UidlMemory: the unique ids (UIDL) of an account's messages that are already
// safely in its Pending folder while they are still on the server, so that no
// message is retrieved twice. One id per line in a file of the retriever's
// own (retrieverFolder(), "uidl.txt").
// - add() appends the id (written at once, so it survives the end of the
//   process); flush() makes everything added safe on the disk. The poll
//   flushes before it ends its session, that is before the server deletes.
// - keepOnly() forgets the ids that are no longer on the server (the file is
//   rewritten beside itself and renamed over, never left half-written).
// - A missing file is an empty memory. Failures throw sys::Error.
#pragma once

#include <set>
#include <string>

namespace retrieve {

class UidlMemory {
 public:
  explicit UidlMemory(std::string path);
  ~UidlMemory();
  UidlMemory(const UidlMemory&) = delete;
  UidlMemory& operator=(const UidlMemory&) = delete;

  bool contains(const std::string& uidl) const { return ids_.count(uidl) != 0; }
  void add(const std::string& uidl);
  void flush();
  void keepOnly(const std::set<std::string>& onServer);
  const std::set<std::string>& ids() const { return ids_; }

 private:
  std::string path_;
  std::set<std::string> ids_;
  int fd_ = -1;  // open for appending after the first add()
};

}  // namespace retrieve
