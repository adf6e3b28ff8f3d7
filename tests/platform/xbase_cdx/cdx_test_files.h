// Helpers of the compound index tests: a temporary folder removed at the end
// of the test, and raw access to the bytes of a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cdxtest {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::vector<uint8_t> readBytes(const std::string& path, uint64_t offset, size_t size);
void writeBytes(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes);
uint32_t readLe32(const std::string& path, uint64_t offset);
void writeLe32(const std::string& path, uint64_t offset, uint32_t value);
uint64_t fileSize(const std::string& path);
// Levels of the tree whose tag header is at `header`, counted down the
// leftmost path (interior entries: key, big-endian recno and child).
int treeDepth(const std::string& path, uint32_t header, int keyLength);
// Hex dump for readable failures.
std::string hex(const std::vector<uint8_t>& bytes);

}  // namespace cdxtest
