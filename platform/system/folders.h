// Where things are: the folder of the running program and the profile folder
// in which settings files given by bare name live. Both are returned with the
// native separator "/" at the end, as every folder value of the system is.
//   profile folder: $KARVIX_PROFILE_DIR when set and not empty, else
//                   $XDG_CONFIG_HOME, else $HOME/.config (read on each call).
#pragma once

#include <string>

namespace sys {

inline constexpr char kPathSeparator = '/';

// The folder of the program file (from /proc/self/exe), or the folder set by
// setProgramFolder (used by tests and by programs run from a build tree).
std::string programFolder();
// Replaces the program folder; an empty text returns to the real one.
void setProgramFolder(const std::string& folder);

std::string profileFolder();

// path with the separator at the end (unchanged when it has one or is empty).
std::string withTrailingSeparator(const std::string& path);

}  // namespace sys
