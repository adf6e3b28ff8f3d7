// TagRas: the dial-up component. It lists the dial-up entries of the system
// and holds the name of the entry the mail clients would dial. A name that is
// not one of the system's entries is refused with sys::Error
// "'<name>' is not a dial-up entry of this system" and the name in force is
// left as it was; the empty name (no entry) is always accepted. Entry names
// are matched without regard to the case of a to z and kept in the system's
// spelling. On Linux the system has no dial-up entries; tests (and a port to a
// system that has them) install an entry source with setEntrySource.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace dialup {

using EntrySource = std::function<std::vector<std::string>()>;

// Installs the source of the system's entries (empty function: the system's
// own, which on Linux is none). Returns the source installed before.
EntrySource setEntrySource(EntrySource source);

class TagRas {
 public:
  TagRas() = default;

  // The system's dial-up entries, read anew on each call.
  std::vector<std::string> entries() const;

  const std::string& entryName() const { return entryName_; }
  void setEntryName(const std::string& name);

 private:
  std::string entryName_;
};

}  // namespace dialup
