#include "tests/platform/xbase/test_support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace xbase::test {

TempDir::TempDir() {
  char tmpl[] = "/tmp/kx-xbase-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

void patchBytes(const std::string& path, long offset, const std::string& bytes) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(offset);
  f.write(bytes.data(), std::streamsize(bytes.size()));
}

long fileLength(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

TableDef sampleDef(const std::string& fileName) {
  TableDef d;
  d.fileName = fileName;
  d.indexBaseName = "items";
  d.fields = {{"UNIQUE_ID", FieldType::Character, 20, 0}, {"LINK_ID", FieldType::Character, 20, 0},
              {"NAME", FieldType::Character, 10, 0},      {"AMOUNT", FieldType::Numeric, 8, 2},
              {"POSITION", FieldType::Numeric, 6, 0},     {"CREATEON", FieldType::Date, 8, 0},
              {"ACTIVE", FieldType::Logical, 1, 0},       {"NOTES", FieldType::Memo, 10, 0}};
  d.tags = {{"UNIQUE_ID", true}, {"LINK_ID", false}};
  return d;
}

std::string sourceDir() {
  const char* s = std::getenv("KARVIX_SOURCE_DIR");
  return s ? s : ".";
}

RunResult runPython(const std::string& script, const std::vector<std::string>& args) {
  TempDir dir;
  const std::string scriptPath = dir.file("script.py");
  writeBytes(scriptPath, script);
  const char* py = std::getenv("KARVIX_PYTHON");
  std::string cmd = std::string(py ? py : "/usr/bin/python3") + " " + scriptPath;
  for (const std::string& a : args) cmd += " '" + a + "'";
  cmd += " 2>&1";
  RunResult r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace xbase::test
