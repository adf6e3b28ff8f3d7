// Splitting an action's command line into a program and its arguments, so the
// program is started directly and never through a shell: blanks separate
// words, double quotes group blanks into a word, and nothing else is special.
// Also the file name made from a message id for the copy handed to the
// program: every character outside letters, digits, ".", "-", "_" and "@"
// becomes "-", so the name can never leave its folder.
#pragma once

#include <string>
#include <vector>

namespace agentrun {

std::vector<std::string> splitCommandLine(const std::string& commandLine);
std::string launchFileName(const std::string& messageId);  // without ".eml"

}  // namespace agentrun
