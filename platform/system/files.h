// File helpers with the behaviour the programs rely on. Every failure throws
// sys::Error with a text naming the file and the reason from the system;
// nothing fails silently.
#pragma once

#include <string>
#include <vector>

namespace sys {

// Names (without folder) of the files in folder whose names match the
// wildcard pattern ("*" any run of characters, "?" one character, letters
// a to z compared without regard to case, as the Windows listing does), in
// the order the file system returns them. Only files (and links to files);
// a missing folder lists nothing.
std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern);
// True when name matches the pattern under the rules above.
bool matchesWildcard(const std::string& name, const std::string& pattern);

bool fileExists(const std::string& path);       // a file (or a link to one)
bool directoryExists(const std::string& path);

// Creates the folder and every missing parent. An empty path, or one that
// cannot be made, throws sys::Error("Unable to create directory").
void forceDirectories(const std::string& path);

// Copies from to to, replacing to when it exists; the copy appears complete
// (written to a temporary file beside it and renamed).
void copyFile(const std::string& from, const std::string& to);
// Moves (renames, or copies and deletes across file systems), replacing to.
void moveFile(const std::string& from, const std::string& to);
// Deletes a file; a file that does not exist is an error as well.
void deleteFile(const std::string& path);

// The whole content of a file; throws when it cannot be read.
std::string readFile(const std::string& path);
// Writes content to a temporary file beside path and renames it over path,
// so readers see the old or the new content, never a part.
void writeFileAtomic(const std::string& path, const std::string& content);

}  // namespace sys
