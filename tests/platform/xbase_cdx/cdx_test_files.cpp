#include "tests/platform/xbase_cdx/cdx_test_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace cdxtest {

TempDir::TempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "kx_cdx_XXXXXX").string();
  if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> readBytes(const std::string& path, uint64_t offset, size_t size) {
  std::vector<uint8_t> out(size);
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  const ssize_t n = ::pread(fd, out.data(), size, off_t(offset));
  ::close(fd);
  if (n != ssize_t(size)) throw std::runtime_error("short read of " + path);
  return out;
}

void writeBytes(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), off_t(offset));
  ::close(fd);
  if (n != ssize_t(bytes.size())) throw std::runtime_error("short write of " + path);
}

uint32_t readLe32(const std::string& path, uint64_t offset) {
  const auto b = readBytes(path, offset, 4);
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void writeLe32(const std::string& path, uint64_t offset, uint32_t v) {
  writeBytes(path, offset, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

uint64_t fileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw std::runtime_error("cannot stat " + path);
  return uint64_t(st.st_size);
}

int treeDepth(const std::string& path, uint32_t header, int keyLength) {
  uint32_t node = readLe32(path, header);
  for (int depth = 1; depth < 100; ++depth) {
    const auto page = readBytes(path, node, 512);
    if (page[0] & 2) return depth;
    const uint8_t* child = page.data() + 12 + keyLength + 4;
    node = uint32_t(child[0]) << 24 | uint32_t(child[1]) << 16 | uint32_t(child[2]) << 8 | child[3];
  }
  return -1;
}

std::string hex(const std::vector<uint8_t>& bytes) {
  std::string s;
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
    s += buf;
    s += (i % 16 == 15) ? '\n' : ' ';
  }
  return s;
}

}  // namespace cdxtest
