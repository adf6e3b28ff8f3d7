#include "platform/dialup/tag_ras.h"

#include "platform/system/error.h"
#include "platform/system/text.h"

namespace dialup {
namespace {
EntrySource& installedSource() {
  static EntrySource source;
  return source;
}
}  // namespace

EntrySource setEntrySource(EntrySource source) {
  EntrySource previous = std::move(installedSource());
  installedSource() = std::move(source);
  return previous;
}

std::vector<std::string> TagRas::entries() const {
  const EntrySource& source = installedSource();
  if (source) return source();
  return {};  // Linux keeps no dial-up phone book
}

void TagRas::setEntryName(const std::string& name) {
  if (name.empty()) {
    entryName_.clear();
    return;
  }
  for (const std::string& entry : entries()) {
    if (sys::equalsIgnoreCaseAscii(entry, name)) {
      entryName_ = entry;
      return;
    }
  }
  throw sys::Error("'" + name + "' is not a dial-up entry of this system");
}

}  // namespace dialup
