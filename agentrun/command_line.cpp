#include "agentrun/command_line.h"

namespace agentrun {

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

std::string launchFileName(const std::string& messageId) {
  std::string name = messageId;
  for (char& c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-' || c == '_' || c == '@';
    if (!ok) c = '-';
  }
  // "." and ".." alone would name a folder, not a file in the temp folder.
  if (name == "." || name == "..") name = std::string(name.size(), '-');
  return name;
}

}  // namespace agentrun
