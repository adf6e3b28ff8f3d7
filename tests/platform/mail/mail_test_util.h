// Small helpers for the mail tests: fixture paths and line splitting.
#pragma once

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace mail::test {

inline std::string fixture(const std::string& name) { return std::string(KX_MAIL_FIXTURES) + "/" + name; }

inline std::string fixtureBytes(const std::string& name) { return kxtest::readFileBytes(fixture(name)); }

// The header block of a message file (up to the blank line) as lines.
inline std::vector<std::string> headerBlockLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t nl = bytes.find('\n', pos);
    std::string line = bytes.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) break;
    lines.push_back(line);
    if (nl == std::string::npos) break;
    pos = nl + 1;
  }
  return lines;
}

inline bool contains(const std::string& hay, const std::string& needle) {
  return hay.find(needle) != std::string::npos;
}

// The raw section of a file from `from` up to (not including) `to`.
inline std::string section(const std::string& bytes, const std::string& from, const std::string& to) {
  std::size_t a = bytes.find(from);
  if (a == std::string::npos) return {};
  std::size_t b = bytes.find(to, a + from.size());
  return bytes.substr(a, b == std::string::npos ? std::string::npos : b - a);
}

}  // namespace mail::test
