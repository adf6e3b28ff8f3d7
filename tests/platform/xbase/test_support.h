// Helpers of the table engine tests: temporary folders, raw file bytes,
// a small table definition, and running /usr/bin/python3 scripts.
#pragma once

#include <string>
#include <vector>

#include "platform/xbase/table_def.h"

namespace xbase::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
void patchBytes(const std::string& path, long offset, const std::string& bytes);
long fileLength(const std::string& path);

// A table with text, number, date, logical and memo columns and two tags
// (UNIQUE_ID unique, LINK_ID).
TableDef sampleDef(const std::string& fileName = "ITEMS.DBF");

struct RunResult {
  int exitCode = -1;
  std::string out;
};
// Runs `script` (Python source) with the Debian interpreter and `args`.
RunResult runPython(const std::string& script, const std::vector<std::string>& args);
std::string sourceDir();

}  // namespace xbase::test
