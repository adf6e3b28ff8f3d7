// Two processes write different keys of one file at the same time, 1,000
// times each, while this process keeps reading it: no write may be lost and
// no read may see a half-written file.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/profile/profile.h"
#include "tests/platform/system/temp_dir.h"

namespace {

constexpr int kWrites = 1000;

// Child: waits for the start signal, then writes <prefix>1 .. <prefix>1000.
[[noreturn]] void writer(const std::string& path, const std::string& prefix, int startFd) {
  char go = 0;
  if (read(startFd, &go, 1) != 1) _exit(2);
  try {
    for (int i = 1; i <= kWrites; ++i)
      profile::writeString(path, "Shared", prefix + std::to_string(i), std::to_string(i));
  } catch (...) {
    _exit(3);
  }
  _exit(0);
}

// A text is whole when every line is the header or a "<P><n>=<n>" key line and
// it ends with a line break.
bool isWhole(const std::string& text) {
  if (text.empty()) return true;  // the very first write may not have happened yet
  if (text.back() != '\n') return false;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line == "[Shared]") continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos || eq < 2) return false;
    if (line.substr(1, eq - 1) != line.substr(eq + 1)) return false;
  }
  return true;
}

TEST(ProfileConcurrency, TwoProcessesLoseNoUpdate) {
  testing_support::TempDir dir;
  const std::string path = dir.file("karvix.ini");
  int startPipe[2];
  ASSERT_EQ(pipe(startPipe), 0);
  const pid_t a = fork();
  if (a == 0) writer(path, "A", startPipe[0]);
  const pid_t b = fork();
  if (b == 0) writer(path, "B", startPipe[0]);
  close(startPipe[0]);
  ASSERT_EQ(write(startPipe[1], "gg", 2), 2);
  close(startPipe[1]);

  int reads = 0, torn = 0, doneCount = 0;
  int statusA = -1, statusB = -1;
  while (doneCount < 2) {
    if (access(path.c_str(), F_OK) == 0) {
      ++reads;
      if (!isWhole(testing_support::readText(path))) ++torn;
    }
    int status = 0;
    const pid_t done = waitpid(-1, &status, WNOHANG);
    if (done == a) statusA = status, ++doneCount;
    if (done == b) statusB = status, ++doneCount;
  }
  ASSERT_TRUE(WIFEXITED(statusA) && WEXITSTATUS(statusA) == 0);
  ASSERT_TRUE(WIFEXITED(statusB) && WEXITSTATUS(statusB) == 0);
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";

  const profile::Document doc = profile::load(path);
  int missing = 0;
  for (int i = 1; i <= kWrites; ++i)
    for (const char* p : {"A", "B"})
      if (doc.readInteger("Shared", p + std::to_string(i), -1) != i) ++missing;
  EXPECT_EQ(missing, 0);
}

}  // namespace
