// The profile-file functions: read and write single values of an INI file by
// section and key, with the value rules of value.h and the editing rules of
// document.h. A file given by bare name (no "/") lives in the profile folder
// (sys::profileFolder()); any other name is used as a path.
// Readers see a missing file as empty. Each write is one read-modify-write of
// the whole file under an exclusive lock, and the new content is written to a
// temporary file that is renamed over the old one: writers in several
// processes never lose each other's changes, and a reader sees the file as it
// was before or after a write, never half-written. A write creates a missing
// file (and the profile folder when it is missing). Failures throw sys::Error.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/profile/document.h"
#include "platform/profile/value.h"

namespace profile {

// The path the functions use for file.
std::string resolvePath(const std::string& file);

// The parsed file (empty when it does not exist).
Document load(const std::string& file);

std::string readString(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view fallback);
int readInteger(const std::string& file, std::string_view section, std::string_view key,
                int fallback);
bool readBool(const std::string& file, std::string_view section, std::string_view key,
              bool fallback);

void writeString(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value);
void writeInteger(const std::string& file, std::string_view section, std::string_view key,
                  int value);
void writeBool(const std::string& file, std::string_view section, std::string_view key,
               bool value);
void eraseKey(const std::string& file, std::string_view section, std::string_view key);

// Several edits as one locked read-modify-write; the file is rewritten only
// when its text changed.
void update(const std::string& file, const std::function<void(Document&)>& edit);

}  // namespace profile
