// A fresh folder under the system's temp folder (mkdtemp), removed with
// everything in it when the object goes. For tests that work on real files.
#pragma once

#include <string>

namespace kxtest {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "kx-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

// Whole file as bytes; throws std::runtime_error when it cannot be read.
std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);

}  // namespace kxtest
